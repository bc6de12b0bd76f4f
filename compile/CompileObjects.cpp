#include "compile/CompileObjects.h"

#include "common/ByteOrder.h"
#include "compile/CompileDocument.h"
#include "terminal/MemoryImageLayout.h"
#include "model/MakeOfKind.h"
#include "terminal/TextLayout.h"
#include "model/ProjectRecord.h"

#include <cstdint>

namespace kdx::compiler {

using namespace image_layout;

namespace {

Rect ToRect(const PageRect& r) { return {r.left, r.top, r.right, r.bottom}; }

bool FitsRecord(int64_t value) { return value >= INT16_MIN && value <= INT16_MAX; }

} // namespace

void CDrawObj::LoadCommon(const ObjectRecord& record, CompileDocument& doc)
{
    objectId = record.objectId;
    lineColor = record.lineColor;
    fillColor = record.fillColor;
    jumpTarget = record.jumpTarget;
    executeCondition = record.executeCondition;
    bounds = ToRect(record.rect);
    sendData = doc.RegisterSendData(record.sendData);
}

void CDrawObj::CheckRange(CompileDocument& doc, const CompilePage&) const
{
    // The record holds the inclusive right and bottom edges.
    if (!FitsRecord(bounds.left) || !FitsRecord(bounds.top) || !FitsRecord(int64_t(bounds.right) - 1) ||
        !FitsRecord(int64_t(bounds.bottom) - 1))
        doc.reporter.FailAt(LocateTarget::Object, objectId, u"对象的坐标超出终端所能表示的范围（-32768～32767）");
}

bool CDrawObj::IsVisible(CompileDocument& doc, const CompilePage& page)
{
    const int64_t left = std::max<int64_t>(bounds.left, 0);
    const int64_t top = std::max<int64_t>(bounds.top, 0);
    const int64_t right = std::min<int64_t>(bounds.right, doc.ScreenWidth());
    const int64_t bottom = std::min<int64_t>(bounds.bottom, doc.ScreenHeight());
    const bool visible = left < right && top < bottom;
    if (!visible)
        doc.reporter.WarnAt(LocateTarget::Object, objectId, u"对象不可见，已被剔除");
    // "No jump" is never a jump to the own page, even on a page whose id is 0xFFFF.
    if (jumpTarget == page.pageId && jumpTarget != kNoJump)
        doc.reporter.WarnAt(LocateTarget::Object, objectId, u"对象跳转到自己所在页");
    return visible;
}

bool CDrawObj::Check(CompileDocument& doc, const CompilePage& page) { return IsVisible(doc, page); }

void CDrawObj::Release(CompileDocument& doc)
{
    if (sendData)
        doc.sendPool.Release(sendData);
    sendData = 0;
}

void CDrawObj::AddRecord(CompileDocument& doc, CompilePage& page, uint16_t drawType, uint32_t value)
{
    uint8_t record[kRecordSize] = {};
    StoreLE16(record + kRecordType, uint16_t(drawType | ((executeCondition & 0xF) << 12)));
    StoreLE16(record + kRecordJump, uint16_t(jumpTarget));
    StoreLE32(record + kRecordSend, sendData);
    StoreLE32(record + kRecordValue, value);
    // The terminal takes inclusive right and bottom edges.
    StoreLE16(record + kRecordRect + 0, uint16_t(bounds.left));
    StoreLE16(record + kRecordRect + 2, uint16_t(bounds.top));
    StoreLE16(record + kRecordRect + 4, uint16_t(bounds.right - 1));
    StoreLE16(record + kRecordRect + 6, uint16_t(bounds.bottom - 1));
    page.AddRecord(doc, record);
}

uint16_t CDrawObj::ShapeType(uint16_t outlineType, uint32_t* color) const
{
    // A shape with both colours set is drawn as its outline.
    if (lineColor != kNoColor) {
        *color = lineColor;
        return outlineType;
    }
    *color = fillColor;
    return uint16_t(outlineType + 1);
}

void CDrawLine::Load(const ObjectRecord& record, CompileDocument&)
{
    lineColor = record.lineColor;
    bounds = ToRect(record.rect);
}

void CDrawLine::CheckRange(CompileDocument& doc, const CompilePage& page) const
{
    // A line has no object id: the message locates its page.
    if (!FitsRecord(bounds.left) || !FitsRecord(bounds.top) || !FitsRecord(bounds.right) || !FitsRecord(bounds.bottom))
        doc.reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”中直线的坐标超出终端所能表示的范围（-32768～32767）",
                            {std::u16string_view(page.name)});
}

void CDrawLine::Compile(CompileDocument& doc, CompilePage& page)
{
    page.SetColor(doc, lineColor);
    uint8_t record[kRecordSize] = {};
    StoreLE16(record + kRecordType, kDrawLine);
    StoreLE16(record + kRecordJump, image_layout::kNoPage);
    // A line keeps its two end points as stored, so its direction survives.
    StoreLE16(record + kRecordRect + 0, uint16_t(bounds.left));
    StoreLE16(record + kRecordRect + 2, uint16_t(bounds.top));
    StoreLE16(record + kRecordRect + 4, uint16_t(bounds.right));
    StoreLE16(record + kRecordRect + 6, uint16_t(bounds.bottom));
    page.AddRecord(doc, record);
}

void CDrawRect::Compile(CompileDocument& doc, CompilePage& page)
{
    uint32_t color;
    const uint16_t type = ShapeType(kDrawRect, &color);
    page.SetColor(doc, color);
    AddRecord(doc, page, type, 0);
}

void CDrawRoundRect::Load(const ObjectRecord& record, CompileDocument& doc)
{
    LoadCommon(record, doc);
    radius = uint32_t(record.radius);
    // The field is signed in the project; a negative radius would reach the
    // terminal as a huge one.
    if (int32_t(radius) < 0)
        doc.reporter.FailAt(LocateTarget::Object, objectId, u"圆角矩形的圆角半径%d不能为负数", {int64_t(int32_t(radius))});
}

void CDrawRoundRect::Compile(CompileDocument& doc, CompilePage& page)
{
    uint32_t color;
    const uint16_t type = ShapeType(kDrawRoundRect, &color);
    page.SetColor(doc, color);
    AddRecord(doc, page, type, radius);
}

void CDrawEllipse::Compile(CompileDocument& doc, CompilePage& page)
{
    uint32_t color;
    const uint16_t type = ShapeType(kDrawEllipse, &color);
    page.SetColor(doc, color);
    AddRecord(doc, page, type, 0);
}

void CDrawText::Load(const ObjectRecord& record, CompileDocument& doc)
{
    LoadCommon(record, doc);
    fontId = record.fontId;
    tabSize = uint32_t(record.tabSize);
    lineSpacing = uint32_t(record.lineSpacing);
    charSpacing = uint32_t(record.charSpacing);
    if (!record.text)
        return;

    const PreparedText prepared = PrepareText(*record.text, tabSize, fontId, lineSpacing, bounds.Height());
    if (prepared.error == TextLayoutError::UnknownFont)
        doc.reporter.EmitMessage(u"*不支持的字体\r\n");
    if (prepared.error != TextLayoutError::None)
        doc.reporter.FailAt(LocateTarget::Object, objectId, u"计算文本对象布局错误");
    if (!prepared.text.empty())
        textId = doc.RegisterText(prepared.text + u'\0', fontId, lineSpacing, charSpacing);
}

bool CDrawText::Check(CompileDocument& doc, const CompilePage& page)
{
    const bool visible = IsVisible(doc, page);
    if (textId == 0)
        doc.reporter.WarnAt(LocateTarget::Object, objectId, u"对象无内容，已被剔除");
    return visible && textId != 0;
}

void CDrawText::Compile(CompileDocument& doc, CompilePage& page)
{
    page.SetColor(doc, lineColor);
    AddRecord(doc, page, kDrawText, textId);
}

void CDrawText::Release(CompileDocument& doc)
{
    CDrawObj::Release(doc);
    if (textId)
        doc.textPool.Release(textId);
    textId = 0;
}

void CDrawImage::Load(const ObjectRecord& record, CompileDocument& doc)
{
    LoadCommon(record, doc);
    if (!doc.IsPictureSizeSupported(bounds.Width(), bounds.Height()))
        doc.reporter.FailAt(LocateTarget::Object, objectId, u"图象对象的尺寸%d x %d超出终端所能显示的范围",
                            {bounds.Width(), bounds.Height()});
    pictureId = doc.RegisterPicture(record.normalImage, record.pressedImage, bounds.Width(), bounds.Height());
}

bool CDrawImage::Check(CompileDocument& doc, const CompilePage& page)
{
    const bool visible = IsVisible(doc, page);
    if (pictureId == 0)
        doc.reporter.WarnAt(LocateTarget::Object, objectId, u"对象无内容，已被剔除");
    return visible && pictureId != 0;
}

void CDrawImage::Compile(CompileDocument& doc, CompilePage& page)
{
    AddRecord(doc, page, kDrawPicture, pictureId);
}

void CDrawImage::Release(CompileDocument& doc)
{
    CDrawObj::Release(doc);
    if (pictureId)
        doc.picturePool.Release(pictureId);
    pictureId = 0;
}

void CDrawCustom::Load(const ObjectRecord& record, CompileDocument& doc)
{
    LoadCommon(record, doc);
    customId = record.customId;
}

void CDrawCustom::Compile(CompileDocument& doc, CompilePage& page)
{
    AddRecord(doc, page, kDrawCustom, customId);
}

std::unique_ptr<CDrawObj> CreateObject(ObjectKind kind)
{
    return MakeOfKind<CDrawObj, CDrawLine, CDrawRect, CDrawRoundRect, CDrawEllipse, CDrawText, CDrawImage,
                      CDrawCustom>(kind);
}

} // namespace kdx::compiler

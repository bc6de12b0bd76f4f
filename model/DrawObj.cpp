#include "model/DrawObj.h"
#include "common/Archive.h"

#include "model/MakeOfKind.h"
#include "model/PageDoc.h"
#include "model/ProjectFormat.h"
#include "model/ProjectRecord.h"
#include "terminal/TextLayout.h"
#include "terminal/TextWrap.h"

#include <QPolygon>
#include <QRegion>

namespace kdx {
namespace {

constexpr int kHandleSize = 6;
constexpr int kLineHandleReach = 3;
constexpr int kHitSlop = 3;

QRect ToQRect(const PageRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

} // namespace

// ---------------------------------------------------------------- CDrawObj

CDrawObj::CDrawObj() = default;

CDrawObj::CDrawObj(const PageRect& rect) : m_bounds(rect.Normalized()), m_rawRect(m_bounds) {}

CDrawObj::~CDrawObj()
{
    if (CPageDoc* doc = Document(); doc && m_sendData)
        doc->ReleaseSendData(m_sendData);
}

CPageDoc* CDrawObj::Document() const { return m_page ? m_page->Document() : nullptr; }

void CDrawObj::Repaint()
{
    if (CPageDoc* doc = Document())
        doc->UpdateAllViews(UpdateHint::RepaintObject, this);
}

void CDrawObj::MarkModified()
{
    if (CPageDoc* doc = Document())
        doc->SetModifiedFlag(true);
}

void CDrawObj::Changed(uint32_t flags, bool repaint)
{
    if (repaint)
        Repaint();
    MarkModified();
    OnChanged(flags);
}

void CDrawObj::OnChanged(uint32_t flags)
{
    if (CPageDoc* doc = Document())
        doc->NotifyObjectChanged(this, flags);
}

void CDrawObj::SetObjectId(uint32_t id)
{
    if (id == m_objectId)
        return;
    m_objectId = id;
    Changed(kChangedObjectId, false);
}

void CDrawObj::SetJumpTarget(uint32_t pageId)
{
    if (!m_linkable || pageId == m_jumpTarget)
        return;
    m_jumpTarget = pageId;
    Changed(kChangedJumpTarget, false);
}

void CDrawObj::SetExecuteCondition(uint32_t value)
{
    if (!m_linkable || value == m_executeCondition)
        return;
    m_executeCondition = value;
    Changed(kChangedExecuteCondition, false);
}

void CDrawObj::SetSendData(const uint8_t* bytes, int length, uint32_t tag)
{
    CPageDoc* doc = Document();
    if (!m_linkable || !doc)
        return;
    SendDataEntry* entry = doc->InternSendData(bytes, length, tag);
    if (entry == m_sendData) {
        if (entry)
            doc->ReleaseSendData(entry); // the reference we already hold
        return;
    }
    if (m_sendData)
        doc->ReleaseSendData(m_sendData);
    m_sendData = entry;
    Changed(kChangedSendData, false);
}

void CDrawObj::SetLineColor(Color color)
{
    if (CPageDoc* doc = Document())
        doc->currentLineColor = color;
    if (color == m_lineColor)
        return;
    m_lineColor = color;
    Changed(kChangedLineColor, true);
}

void CDrawObj::SetFillColor(Color color)
{
    if (CPageDoc* doc = Document())
        doc->currentFillColor = color;
    if (color == m_fillColor)
        return;
    m_fillColor = color;
    Changed(kChangedFillColor, true);
}

void CDrawObj::SetRect(const PageRect& rect)
{
    if (rect == m_rawRect)
        return;
    Repaint();
    const PageRect oldBounds = m_bounds;
    const PageRect oldRaw = m_rawRect;
    m_bounds = rect.Normalized();
    Repaint();
    m_rawRect = rect;
    MarkModified();
    uint32_t flags = 0;
    if (m_bounds.Width() != oldBounds.Width() || m_bounds.Height() != oldBounds.Height())
        flags |= kChangedSize;
    if (m_rawRect.left != oldRaw.left || m_rawRect.top != oldRaw.top)
        flags |= kChangedPosition;
    OnChanged(flags);
}

void CDrawObj::SetSize(int32_t width, int32_t height)
{
    SetRect({m_bounds.left, m_bounds.top, m_bounds.left + width, m_bounds.top + height});
}

void CDrawObj::MoveTo(int32_t x, int32_t y)
{
    SetRect({x, y, x + m_bounds.Width(), y + m_bounds.Height()});
}

bool CDrawObj::Intersects(const PageRect& rect) const
{
    PageRect area = m_bounds;
    if (area.Width() == 0)
        area = area.Inflated(kHitSlop, 0);
    if (area.Height() == 0)
        area = area.Inflated(0, kHitSlop);
    return area.Overlaps(rect.Normalized());
}

PageRect CDrawObj::HandleRectAround(const PageRect& r, int handle) const
{
    // Squares just outside the corners and edges of the rectangle as last
    // set, so a flipped rectangle keeps its handle numbers.
    auto low = [](int32_t a, int32_t b) { return a < b ? a - kHandleSize : a; };
    auto high = [](int32_t a, int32_t b) { return a >= b ? b - kHandleSize : b; };
    auto mid = [](int32_t a, int32_t b) { return a + (b - a - kHandleSize) / 2; };
    const int32_t xs[3] = {low(r.left, r.right), mid(r.left, r.right), high(r.left, r.right)};
    const int32_t ys[3] = {low(r.top, r.bottom), mid(r.top, r.bottom), high(r.top, r.bottom)};
    // Column and row of each handle, clockwise from the top-left corner.
    static constexpr int kColumn[8] = {0, 1, 2, 2, 2, 1, 0, 0};
    static constexpr int kRow[8] = {0, 0, 0, 1, 2, 2, 2, 1};
    if (handle < 0 || handle >= 8)
        return {};
    int32_t x = xs[kColumn[handle]], y = ys[kRow[handle]];
    return {x, y, x + kHandleSize, y + kHandleSize};
}

int CDrawObj::HitTestHandle(int32_t x, int32_t y) const
{
    for (int h = 0; h < GetHandleCount(); ++h)
        if (GetHandleRect(h).Contains(x, y))
            return h;
    return -1;
}

bool CDrawObj::MoveHandleTo(int handle, int32_t x, int32_t y)
{
    PageRect r = m_rawRect;
    switch (handle) {
    case 0: r.left = x; r.top = y; break;
    case 1: r.top = y; break;
    case 2: r.right = x; r.top = y; break;
    case 3: r.right = x; break;
    case 4: r.right = x; r.bottom = y; break;
    case 5: r.bottom = y; break;
    case 6: r.left = x; r.bottom = y; break;
    case 7: r.left = x; break;
    default: return false;
    }
    SetRect(r);
    return true;
}

void CDrawObj::ToRecord(ObjectRecord& out) const
{
    out.kind = Kind();
    out.objectId = m_objectId;
    out.lineColor = m_lineColor;
    out.fillColor = m_fillColor;
    out.jumpTarget = m_jumpTarget;
    out.executeCondition = m_executeCondition;
    out.rect = m_bounds;
    out.sendData = SendRecord(m_sendData);
}

void CDrawObj::FromRecord(const ObjectRecord& in)
{
    m_objectId = in.objectId;
    m_lineColor = in.lineColor;
    m_fillColor = in.fillColor;
    m_jumpTarget = in.jumpTarget;
    m_executeCondition = in.executeCondition;
    m_bounds = in.rect;
    m_rawRect = m_bounds; // taken as stored, not normalised
    CPageDoc* doc = Document();
    if (!doc)
        throw ArchiveError(ArchiveFault::Misplaced, "an object is read outside a page");
    m_sendData = InternSendRecord(*doc, in.sendData);
}

// ---------------------------------------------------------------- CDrawLine

CDrawLine::CDrawLine() { m_linkable = false; }
CDrawLine::CDrawLine(const PageRect& rect) : CDrawObj(rect) { m_linkable = false; }

void CDrawLine::ToRecord(ObjectRecord& out) const
{
    out.kind = Kind();
    out.lineColor = m_lineColor;
    out.rect = m_rawRect;
}

void CDrawLine::FromRecord(const ObjectRecord& in)
{
    m_lineColor = in.lineColor;
    m_rawRect = in.rect;
    m_bounds = m_rawRect.Normalized();
}

void CDrawLine::MoveTo(int32_t x, int32_t y)
{
    // Shift both end points, keeping the line's direction.
    const int32_t dx = x - m_bounds.left, dy = y - m_bounds.top;
    SetRect({m_rawRect.left + dx, m_rawRect.top + dy, m_rawRect.right + dx, m_rawRect.bottom + dy});
}

bool CDrawLine::Intersects(const PageRect& rect) const
{
    const PageRect r = rect.Normalized();
    if (m_rawRect.left == m_rawRect.right || m_rawRect.top == m_rawRect.bottom)
        return m_bounds.Inflated(kHitSlop, kHitSlop).Overlaps(r);
    if (!m_bounds.Overlaps(r))
        return false;
    // A band about 3 pixels either side of the line, built from the two
    // handle squares.
    const PageRect s = GetHandleRect(0), e = GetHandleRect(1);
    const bool fallsToRight = (m_rawRect.right - m_rawRect.left > 0) == (m_rawRect.bottom - m_rawRect.top > 0);
    QPolygon band;
    if (fallsToRight)
        band << QPoint(s.left, s.bottom) << QPoint(s.right, s.top) << QPoint(e.right, e.top)
             << QPoint(e.left, e.bottom);
    else
        band << QPoint(s.left, s.top) << QPoint(s.right, s.bottom) << QPoint(e.right, e.bottom)
             << QPoint(e.left, e.top);
    return QRegion(band, Qt::OddEvenFill).intersects(ToQRect(r));
}

PageRect CDrawLine::HandleRectAround(const PageRect& r, int handle) const
{
    if (handle == 0)
        return {r.left - kLineHandleReach, r.top - kLineHandleReach, r.left + kLineHandleReach,
                r.top + kLineHandleReach};
    if (handle == 1)
        return {r.right - kLineHandleReach, r.bottom - kLineHandleReach, r.right + kLineHandleReach,
                r.bottom + kLineHandleReach};
    return {};
}

bool CDrawLine::MoveHandleTo(int handle, int32_t x, int32_t y)
{
    PageRect r = m_rawRect;
    if (handle == 0) {
        r.left = x;
        r.top = y;
    } else if (handle == 1) {
        r.right = x;
        r.bottom = y;
    } else {
        return false;
    }
    SetRect(r);
    return true;
}

// ---------------------------------------------------------------- CDrawRoundRect

void CDrawRoundRect::ToRecord(ObjectRecord& out) const
{
    CDrawObj::ToRecord(out);
    out.radius = m_radius;
}

void CDrawRoundRect::FromRecord(const ObjectRecord& in)
{
    CDrawObj::FromRecord(in);
    m_radius = in.radius;
}

void CDrawRoundRect::SetRadius(int32_t radius)
{
    radius = std::max(radius, 0);
    if (radius == m_radius)
        return;
    m_radius = radius;
    Changed(kChangedKindField1, true);
}

// ---------------------------------------------------------------- CDrawText

CDrawText::~CDrawText()
{
    if (CPageDoc* doc = Document(); doc && m_text)
        doc->ReleaseText(m_text);
}

void CDrawText::ToRecord(ObjectRecord& out) const
{
    CDrawObj::ToRecord(out);
    out.fontId = m_fontId;
    out.tabSize = m_tabSize;
    out.lineSpacing = m_lineSpacing;
    out.charSpacing = m_charSpacing;
    if (m_text && !m_text->text.empty())
        out.text = m_text->text;
}

void CDrawText::FromRecord(const ObjectRecord& in)
{
    CDrawObj::FromRecord(in);
    m_fontId = in.fontId;
    m_tabSize = in.tabSize;
    m_lineSpacing = in.lineSpacing;
    m_charSpacing = in.charSpacing;
    if (in.text)
        m_text = Document()->InternText(in.text->data(), int(in.text->size()), /*fromFile=*/true);
}

std::u16string CDrawText::Text() const
{
    if (!m_text)
        return {};
    std::u16string_view t = m_text->text;
    if (!t.empty() && t.back() == u'\0')
        t.remove_suffix(1);
    return std::u16string(t);
}

CDrawText::Shown CDrawText::ShownText() const
{
    if (!m_text)
        return {};
    const PreparedText prepared = PrepareText(m_text->text, uint32_t(std::max(m_tabSize, 1)), m_fontId,
                                              uint32_t(m_lineSpacing), int64_t(m_bounds.bottom) - m_bounds.top);
    if (prepared.error != TextLayoutError::None)
        return {Text(), false}; // the compiler refuses it and says why
    return {prepared.text, prepared.cut};
}

PageRect CDrawText::CutSignRect() const
{
    constexpr int kHalfWidth = 4;
    constexpr int kHeight = 5;
    if (!ShownText().cut || m_bounds.Height() < kHeight)
        return {};
    const int middle = (m_bounds.left + m_bounds.right) / 2;
    return PageRect{middle - kHalfWidth, m_bounds.bottom - kHeight, middle + kHalfWidth + 1, m_bounds.bottom};
}

void CDrawText::SetText(std::u16string_view text)
{
    CPageDoc* doc = Document();
    if (!doc)
        return;
    TextEntry* entry = nullptr;
    if (!text.empty()) {
        std::u16string withZero(text);
        withZero.push_back(u'\0');
        entry = doc->InternText(withZero.data(), int(withZero.size()));
    }
    if (entry == m_text) {
        if (entry)
            doc->ReleaseText(entry);
        return;
    }
    if (m_text)
        doc->ReleaseText(m_text);
    m_text = entry;
    Changed(kChangedKindField1, true);
}

void CDrawText::SetFontId(uint32_t id)
{
    if (!FindTerminalFont(id) || id == m_fontId)
        return;
    m_fontId = id;
    Changed(kChangedKindField2, true);
}

void CDrawText::SetTabSize(int32_t n)
{
    n = n > 0 ? n : 1;
    if (n == m_tabSize)
        return;
    m_tabSize = n;
    Changed(kChangedTabSize, true);
}

void CDrawText::SetLineSpacing(int32_t n)
{
    n = std::max(n, 0);
    if (n == m_lineSpacing)
        return;
    m_lineSpacing = n;
    Changed(kChangedLineSpacing, true);
}

void CDrawText::SetCharSpacing(int32_t n)
{
    n = std::max(n, 0);
    if (n == m_charSpacing)
        return;
    m_charSpacing = n;
    Changed(kChangedCharSpacing, true);
}

void CDrawText::OnChanged(uint32_t flags)
{
    if (flags & (kChangedSize | kChangedKindField2 | kChangedCharSpacing))
        Rewrap();
    CDrawObj::OnChanged(flags);
}

void CDrawText::Rewrap()
{
    const TerminalFont* font = FindTerminalFont(m_fontId);
    const int32_t width = m_bounds.right - m_bounds.left;
    const std::u16string stored = Text();
    if (width <= 0 || stored.empty() || !font || !Document())
        return;
    const TerminalTextMeasure measure{font->cellWidth, std::max(m_charSpacing, 0), m_tabSize};
    SetText(FitWrappedText(WrapTerminalText(stored, measure, width), size_t(kMaxTextUnits - 1)));
}

// ---------------------------------------------------------------- CDrawImage

CDrawImage::~CDrawImage()
{
    if (CPageDoc* doc = Document()) {
        if (m_normalImage)
            doc->ReleaseImage(m_normalImage);
        if (m_pressedImage)
            doc->ReleaseImage(m_pressedImage);
    }
}

void CDrawImage::ToRecord(ObjectRecord& out) const
{
    CDrawObj::ToRecord(out);
    out.normalImage = ImagePath(m_normalImage).toStdU16String();
    out.pressedImage = ImagePath(m_pressedImage).toStdU16String();
}

void CDrawImage::FromRecord(const ObjectRecord& in)
{
    CDrawObj::FromRecord(in);
    m_normalImage = Document()->LoadImage(QString::fromStdU16String(in.normalImage));
    m_pressedImage = Document()->LoadImage(QString::fromStdU16String(in.pressedImage));
}

void CDrawImage::SetNormalImage(const QString& path) { SetImage(m_normalImage, path, kChangedKindField1); }
void CDrawImage::SetPressedImage(const QString& path) { SetImage(m_pressedImage, path, kChangedKindField2); }

void CDrawImage::ChooseNormalImage()
{
    CPageDoc* doc = Document();
    if (!doc)
        return;
    if (const auto path = doc->ChooseImageFile(ImagePath(m_normalImage)))
        SetNormalImage(*path);
}

void CDrawImage::SetImage(ImageEntry*& slot, const QString& path, uint32_t flag)
{
    CPageDoc* doc = Document();
    if (!doc)
        return;
    ImageEntry* entry = path.isEmpty() ? nullptr : doc->LoadImage(path);
    if (entry == slot) {
        if (entry)
            doc->ReleaseImage(entry);
        return;
    }
    if (slot)
        doc->ReleaseImage(slot);
    slot = entry;
    Changed(flag, true);
}

// ---------------------------------------------------------------- CDrawCustom

void CDrawCustom::ToRecord(ObjectRecord& out) const
{
    CDrawObj::ToRecord(out);
    out.customId = m_customId;
}

void CDrawCustom::FromRecord(const ObjectRecord& in)
{
    CDrawObj::FromRecord(in);
    m_customId = in.customId;
}

namespace {

bool CustomIdUsed(const CPage* page, uint32_t id, const CDrawObj* except)
{
    if (!page)
        return false;
    for (const auto& obj : page->Objects())
        if (obj.get() != except)
            if (auto* custom = dynamic_cast<const CDrawCustom*>(obj.get()); custom && custom->CustomId() == id)
                return true;
    return false;
}

} // namespace

bool CDrawCustom::SetCustomId(uint32_t id)
{
    if (id == m_customId)
        return true;
    if (id > kMaxCustomId || CustomIdUsed(m_page, id, this))
        return false;
    m_customId = id;
    Changed(kChangedKindField1, false);
    return true;
}

bool CDrawCustom::IsCustomIdFree(uint32_t id) const { return !CustomIdUsed(m_page, id, nullptr); }

int CDrawCustom::FindFreeCustomId() const
{
    if (!m_page)
        return -1;
    std::vector<bool> used(kMaxCustomId, false);
    for (const auto& obj : m_page->Objects())
        if (auto* custom = dynamic_cast<const CDrawCustom*>(obj.get());
            custom && custom != this && custom->CustomId() < kMaxCustomId)
            used[custom->CustomId()] = true;
    for (uint32_t id = 0; id < kMaxCustomId; ++id)
        if (!used[id])
            return int(id);
    return int(kMaxCustomId);
}

// ---------------------------------------------------------------- factory

std::unique_ptr<CDrawObj> CreateDrawObj(ObjectKind kind)
{
    return MakeOfKind<CDrawObj, CDrawLine, CDrawRect, CDrawRoundRect, CDrawEllipse, CDrawText, CDrawImage,
                      CDrawCustom>(kind);
}

std::unique_ptr<CDrawObj> CreateDrawObj(std::string_view className)
{
    const std::optional<ObjectKind> kind = ObjectKindOfClass(className);
    return kind ? CreateDrawObj(*kind) : nullptr;
}

} // namespace kdx

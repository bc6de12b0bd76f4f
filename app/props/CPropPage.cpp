#include "app/props/CPropPage.h"

#include "app/frame/EditorStrings.h"
#include "app/props/CPropCtrls.h"
#include "app/props/PropDialogs.h"
#include "app/props/PropValues.h"
#include "model/PageDoc.h"

namespace kdx {
namespace {

// Filled objects show and edit their fill colour, the others their
// drawing colour.
bool ShowsFill(const CDrawObj& object) { return object.FillColor() != kNoColor; }
Color ShownColor(const CDrawObj& object) { return ShowsFill(object) ? object.FillColor() : object.LineColor(); }

} // namespace

void CPropPage::Attach(CDrawObj* object)
{
    m_object = object;
    Load();
}

void CPropPage::Load()
{
    if (!m_object)
        return;
    const PageRect& r = m_object->Bounds();
    if (m_size)
        m_size->SetValue(SizeText(r.Width(), r.Height()));
    if (m_topLeft)
        m_topLeft->SetValue(PointText(r.left, r.top));
    if (m_bottomRight)
        m_bottomRight->SetValue(CornerText(r.right, r.bottom));
    if (m_color)
        m_color->SetValue(ColorValueText(ShownColor(*m_object)));
    LoadFields();
}

void CPropPage::AddSizeRow(PropId id)
{
    // A new size keeps the top-left corner where it is.
    m_size = AddEdit(id, QStringLiteral("尺寸："));
    connect(m_size, &CPropCtrlEdit::Committed, this, [this] {
        if (!m_object)
            return;
        const auto size = ParseSize(m_size->text());
        const PageRect& r = m_object->Bounds();
        if (!size || int64_t(r.left) + size->width > INT32_MAX || int64_t(r.top) + size->height > INT32_MAX) {
            Refuse(IDS_BAD_NUMBER);
            return;
        }
        m_object->SetRect({r.left, r.top, r.left + size->width, r.top + size->height});
        Load();
    });
}

void CPropPage::AddTopLeftRow(PropId id)
{
    m_topLeft = AddEdit(id, QStringLiteral("左上角(x,y)："));
    connect(m_topLeft, &CPropCtrlEdit::Committed, this, [this] {
        CommitPoint(m_topLeft, false, [this](int32_t x, int32_t y) {
            const PageRect& r = m_object->Bounds();
            m_object->SetRect({x, y, r.right, r.bottom});
            return true;
        });
    });
}

void CPropPage::AddBottomRightRow(PropId id)
{
    m_bottomRight = AddEdit(id, QStringLiteral("右下角(x,y)："));
    connect(m_bottomRight, &CPropCtrlEdit::Committed, this, [this] {
        CommitPoint(m_bottomRight, true, [this](int32_t x, int32_t y) {
            const PageRect& r = m_object->Bounds();
            m_object->SetRect({r.left, r.top, x, y});
            return true;
        });
    });
}

void CPropPage::AddColorRow(PropId id)
{
    m_color = AddLink(id, QStringLiteral("绘制颜色："), /*withClear=*/false);
    connect(m_color, &CPropCtrlLink::LinkChosen, this, [this] { ChooseColor(); });
}

void CPropPage::ChooseColor()
{
    if (!m_object || !Document())
        return;
    const auto color = kdx::ChooseColor(this, ShownColor(*m_object), Document()->header.colorDepth);
    // The dialog is modal: the object may have been deselected meanwhile.
    if (!color || !m_object)
        return;
    if (ShowsFill(*m_object))
        m_object->SetFillColor(*color);
    else
        m_object->SetLineColor(*color);
    Load();
}

void CPropPage::CommitPoint(CPropCtrlEdit* edit, bool corner, const std::function<bool(int32_t, int32_t)>& apply)
{
    if (!m_object)
        return;
    const auto point = corner ? ParseCorner(edit->text()) : ParsePoint(edit->text());
    if (!point || !apply(point->x, point->y)) {
        Refuse(IDS_BAD_POINT);
        return;
    }
    Load();
}

void CPropPage::CommitCount(CPropCtrlEdit* edit, const std::function<void(int32_t)>& apply)
{
    CommitCount(edit, INT32_MAX, apply);
}

void CPropPage::CommitCount(CPropCtrlEdit* edit, int32_t maximum, const std::function<void(int32_t)>& apply)
{
    if (!m_object)
        return;
    const auto value = ParseCount(edit->text());
    if (!value || *value > maximum) {
        Refuse(IDS_BAD_NUMBER);
        return;
    }
    apply(*value);
    Load();
}

} // namespace kdx

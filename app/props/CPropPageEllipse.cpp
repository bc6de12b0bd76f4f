#include "app/props/CPropPageEllipse.h"

#include "app/props/CPropCtrls.h"
#include "app/props/PropValues.h"
#include "model/DrawObj.h"

#include <cstdint>

namespace kdx {
namespace {

PointValue Center(const PageRect& r)
{
    return {int32_t((int64_t(r.left) + r.right) / 2), int32_t((int64_t(r.top) + r.bottom) / 2)};
}

} // namespace

CPropPageEllipse::CPropPageEllipse(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(PropId::EllipseSize);
    m_center = AddEdit(PropId::EllipseCenter, QStringLiteral("中心(x,y)："));
    connect(m_center, &CPropCtrlEdit::Committed, this, [this] {
        CommitPoint(m_center, false, [this](int32_t x, int32_t y) {
            // The rectangle moves so that its centre is the point; its size stays.
            const PageRect r = Object()->Bounds();
            const PointValue c = Center(r);
            const int64_t dx = int64_t(x) - c.x, dy = int64_t(y) - c.y;
            const int64_t moved[4] = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
            for (int64_t v : moved)
                if (v < INT32_MIN || v > INT32_MAX)
                    return false;
            Object()->SetRect({int32_t(moved[0]), int32_t(moved[1]), int32_t(moved[2]), int32_t(moved[3])});
            return true;
        });
    });
    m_width = AddNumberEdit(PropId::EllipseWidth, QStringLiteral("宽度："));
    connect(m_width, &CPropCtrlEdit::Committed, this, [this] {
        CommitCount(m_width, [this](int32_t w) { Object()->SetSize(w, Object()->Bounds().Height()); });
    });
    m_height = AddNumberEdit(PropId::EllipseHeight, QStringLiteral("高度："));
    connect(m_height, &CPropCtrlEdit::Committed, this, [this] {
        CommitCount(m_height, [this](int32_t h) { Object()->SetSize(Object()->Bounds().Width(), h); });
    });
    AddColorRow(PropId::EllipseColor);
}

void CPropPageEllipse::LoadFields()
{
    const PageRect& r = Object()->Bounds();
    const PointValue c = Center(r);
    m_center->SetValue(PointText(c.x, c.y));
    m_width->SetValue(QString::number(r.Width()));
    m_height->SetValue(QString::number(r.Height()));
}

} // namespace kdx

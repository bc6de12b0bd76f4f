#include "app/props/CPropPageRoundRect.h"

#include "app/props/CPropCtrls.h"
#include "model/DrawObj.h"

namespace kdx {
namespace {
CDrawRoundRect* RoundRect(CDrawObj* object) { return static_cast<CDrawRoundRect*>(object); }
} // namespace

CPropPageRoundRect::CPropPageRoundRect(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(PropId::RoundRectSize);
    AddTopLeftRow(PropId::RoundRectTopLeft);
    AddBottomRightRow(PropId::RoundRectBottomRight);
    m_radius = AddNumberEdit(PropId::RoundRectRadius, QStringLiteral("圆角半径："));
    connect(m_radius, &CPropCtrlEdit::Committed, this, [this] {
        CommitCount(m_radius, [this](int32_t value) { RoundRect(Object())->SetRadius(value); });
    });
    AddColorRow(PropId::RoundRectColor);
}

void CPropPageRoundRect::LoadFields()
{
    m_radius->SetValue(QString::number(uint32_t(RoundRect(Object())->Radius())));
}

} // namespace kdx

#include "app/props/CPropPageLine.h"

#include "app/props/CPropCtrls.h"
#include "app/props/PropValues.h"
#include "model/DrawObj.h"

namespace kdx {

CPropPageLine::CPropPageLine(CPropList* list) : CPropPage(kDialogId, list)
{
    AddEndRow(PropId::LineStart, QStringLiteral("第一点(x,y)："), 0, m_start);
    AddEndRow(PropId::LineEnd, QStringLiteral("第二点(x,y)："), 1, m_end);
    AddColorRow(PropId::LineColor);
}

void CPropPageLine::AddEndRow(PropId id, const QString& label, int handle, CPropCtrlEdit*& edit)
{
    edit = AddEdit(id, label);
    CPropCtrlEdit* field = edit;
    connect(field, &CPropCtrlEdit::Committed, this, [this, field, handle] {
        CommitPoint(field, false, [this, handle](int32_t x, int32_t y) { return Object()->MoveHandleTo(handle, x, y); });
    });
}

void CPropPageLine::LoadFields()
{
    const PageRect& r = Object()->RawRect();
    m_start->SetValue(PointText(r.left, r.top));
    m_end->SetValue(PointText(r.right, r.bottom));
}

} // namespace kdx

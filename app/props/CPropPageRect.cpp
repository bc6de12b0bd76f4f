#include "app/props/CPropPageRect.h"

namespace kdx {

CPropPageRect::CPropPageRect(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(PropId::RectSize);
    AddTopLeftRow(PropId::RectTopLeft);
    AddBottomRightRow(PropId::RectBottomRight);
    AddColorRow(PropId::RectColor);
}

} // namespace kdx

#include "app/props/CPropPageRect.h"

namespace kdx {

CPropPageRect::CPropPageRect(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(8540);
    AddTopLeftRow(8541);
    AddBottomRightRow(8542);
    AddColorRow(8543);
}

} // namespace kdx

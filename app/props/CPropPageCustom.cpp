#include "app/props/CPropPageCustom.h"

#include "app/frame/EditorStrings.h"
#include "app/props/CPropCtrls.h"
#include "app/props/PropValues.h"
#include "model/DrawObj.h"

namespace kdx {
namespace {
CDrawCustom* Custom(CDrawObj* object) { return static_cast<CDrawCustom*>(object); }
} // namespace

CPropPageCustom::CPropPageCustom(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(PropId::CustomSize);
    m_customId = AddNumberEdit(PropId::CustomId, QStringLiteral("自定标识："));
    connect(m_customId, &CPropCtrlEdit::Committed, this, &CPropPageCustom::CommitCustomId);
    AddTopLeftRow(PropId::CustomTopLeft);
    AddBottomRightRow(PropId::CustomBottomRight);
}

void CPropPageCustom::CommitCustomId()
{
    CDrawCustom* custom = Custom(Object());
    if (!custom)
        return;
    const auto id = ParseCount(m_customId->text());
    if (!id || !custom->SetCustomId(uint32_t(*id))) {
        Refuse(IDS_BAD_CUSTOM_ID, {0, int(kMaxCustomId), custom->FindFreeCustomId()});
        return;
    }
    Load();
}

void CPropPageCustom::LoadFields()
{
    m_customId->SetValue(QString::number(Custom(Object())->CustomId()));
}

} // namespace kdx

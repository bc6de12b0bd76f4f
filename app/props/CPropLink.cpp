#include "app/props/CPropLink.h"

#include "app/frame/EditorStrings.h"
#include "app/props/CPropCtrls.h"
#include "app/props/PropDialogs.h"
#include "app/props/PropValues.h"
#include "model/ModelStrings.h"
#include "model/PageDoc.h"

#include <QComboBox>

namespace kdx {

CPropLink::CPropLink(CPropList* list) : CPropPage(kDialogId, list)
{
    m_target = AddList(PropId::LinkTarget, QStringLiteral("跳转目标："));
    connect(m_target, &CPropCtrlList::Chosen, this, [this](int index) {
        if (Object())
            Object()->SetJumpTarget(index >= 0 ? m_target->itemData(index).toUInt() : kNoPage);
        Load();
    });
    m_condition = AddList(PropId::LinkCondition, QStringLiteral("执行条件："));
    for (uint32_t value = 0; value < kConditionCount; ++value)
        m_condition->addItem(ExecuteConditionText(value), value);
    connect(m_condition, &CPropCtrlList::Chosen, this, [this](int index) {
        if (Object())
            Object()->SetExecuteCondition(index >= 0 ? uint32_t(index) : 0);
        Load();
    });
    m_data = AddLink(PropId::LinkData, QStringLiteral("自定数据："), /*withClear=*/true);
    connect(m_data, &CPropCtrlLink::LinkChosen, this, &CPropLink::OnDataLink);
    RefillTargets();
}

void CPropLink::RefillTargets()
{
    m_target->clear();
    m_target->addItem(ModelString(kStrNoJumpTarget), kNoPage);
    if (const CPageDoc* doc = Document())
        for (const auto& page : doc->Pages())
            m_target->addItem(page->Name(), page->PageId());
    if (Object())
        Load();
}

void CPropLink::OnDataLink(const QString& id)
{
    if (!Object())
        return;
    if (id == QLatin1String(CPropCtrlLink::kClearId)) {
        AnnounceClear(m_data);
        Object()->SetSendData(nullptr, 0);
    } else if (const auto bytes = EditLinkData(this, SendDataBytes(Object()->SendData())); bytes && Object()) {
        Object()->SetSendData(reinterpret_cast<const uint8_t*>(bytes->constData()), int(bytes->size()), 0);
    }
    Load();
}

void CPropLink::LoadFields()
{
    const CDrawObj* object = Object();
    // The first page with the target's id, else "无目标" for no target; a
    // target naming no page of the project shows as such, to be found and
    // fixed, as the last item.
    constexpr int kMissingRole = Qt::UserRole + 1;
    if (const int last = m_target->count() - 1; last > 0 && m_target->itemData(last, kMissingRole).toBool())
        m_target->removeItem(last);
    int target = 0;
    for (int i = 1; i < m_target->count(); ++i)
        if (m_target->itemData(i).toUInt() == object->JumpTarget()) {
            target = i;
            break;
        }
    if (target == 0 && object->JumpTarget() != kNoPage) {
        m_target->addItem(FormatString(IDS_MISSING_JUMP_TARGET, {object->JumpTarget()}), object->JumpTarget());
        target = m_target->count() - 1;
        m_target->setItemData(target, true, kMissingRole);
    }
    m_target->setCurrentIndex(target);
    const uint32_t condition = object->ExecuteCondition();
    m_condition->setCurrentIndex(condition < kConditionCount ? int(condition) : -1);
    m_data->SetValue(SendDataText(object->SendData()));
}

} // namespace kdx

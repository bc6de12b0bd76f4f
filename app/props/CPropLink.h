#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

class CPropCtrlList;

// The touch behaviour of the selected object: the page it jumps to, when
// the action runs, and the bytes it sends.
class CPropLink : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 123;
    static constexpr int kConditionCount = 16;
    explicit CPropLink(CPropList* list);

    // Lists "无目标" and then every page of the project by name.
    void RefillTargets();

protected:
    void LoadFields() override;

private:
    void OnDataLink(const QString& id);

    CPropCtrlList* m_target = nullptr;
    CPropCtrlList* m_condition = nullptr;
    CPropCtrlLink* m_data = nullptr;
};

} // namespace kdx

#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

// A custom object (a touch area): size, its custom id and corners.
class CPropPageCustom : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 137;
    explicit CPropPageCustom(CPropList* list);

protected:
    void LoadFields() override;

private:
    void CommitCustomId();

    CPropCtrlEdit* m_customId = nullptr;
};

} // namespace kdx

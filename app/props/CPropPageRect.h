#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

// A rectangle, outlined or filled: size, corners and colour.
class CPropPageRect : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 132;
    explicit CPropPageRect(CPropList* list);

protected:
    void LoadFields() override {}
};

} // namespace kdx

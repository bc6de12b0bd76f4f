#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

// A rounded rectangle: size, corners, corner radius and colour.
class CPropPageRoundRect : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 133;
    explicit CPropPageRoundRect(CPropList* list);

protected:
    void LoadFields() override;

private:
    CPropCtrlEdit* m_radius = nullptr;
};

} // namespace kdx

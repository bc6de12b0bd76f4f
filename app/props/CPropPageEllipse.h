#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

// An ellipse, outlined or filled: size, centre, width, height and colour.
class CPropPageEllipse : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 134;
    explicit CPropPageEllipse(CPropList* list);

protected:
    void LoadFields() override;

private:
    CPropCtrlEdit* m_center = nullptr;
    CPropCtrlEdit* m_width = nullptr;
    CPropCtrlEdit* m_height = nullptr;
};

} // namespace kdx

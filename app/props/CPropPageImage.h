#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

// An image object: size, corners, and its normal and pressed images.
class CPropPageImage : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 136;
    explicit CPropPageImage(CPropList* list);

protected:
    void LoadFields() override;

private:
    void OnPressedLink(const QString& id);

    CPropCtrlLink* m_normal = nullptr;
    CPropCtrlLink* m_pressed = nullptr;
};

} // namespace kdx

#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

class CPropCtrlList;

// A text: size, corners, font, tab size, line and character spacing and
// colour. The character spacing is shown only.
class CPropPageText : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 135;
    explicit CPropPageText(CPropList* list);

protected:
    void LoadFields() override;

private:
    CPropCtrlList* m_font = nullptr;
    CPropCtrlEdit* m_tabSize = nullptr;
    CPropCtrlEdit* m_lineSpacing = nullptr;
    CPropCtrlEdit* m_charSpacing = nullptr;
};

} // namespace kdx

#pragma once
#include "app/props/CPropPage.h"

namespace kdx {

// A line: its two end points and its colour.
class CPropPageLine : public CPropPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 131;
    explicit CPropPageLine(CPropList* list);

protected:
    void LoadFields() override;

private:
    void AddEndRow(PropId id, const QString& label, int handle, CPropCtrlEdit*& edit);

    CPropCtrlEdit* m_start = nullptr;
    CPropCtrlEdit* m_end = nullptr;
};

} // namespace kdx

#pragma once
#include <QObject>

namespace kdx::test {

// What assistive technology sees and does: field names in the dialogs and
// choosing pages in the page list.
class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void labelTextDropsTheMnemonicMarker();
    void gridFieldsCarryTheirLabels();
    void projectFieldsCarryTheirLabels();
    void choosingAPageItemMakesItsPageCurrent();
};

} // namespace kdx::test

#pragma once
#include <QObject>

namespace kdx::test {

// The new-project and grid dialogs.
class DialogTest : public QObject {
    Q_OBJECT
private slots:
    void parsesResolutionTexts_data();
    void parsesResolutionTexts();
    void projectDialogRefusesBadInput();
    void projectDialogReturnsChoice();
    void gridDialogRefusesBadFields();
    void gridDialogStepsAndStartsInRange();
    void gridCommandStoresGridSize();
    void qtOwnTextsSpeakChinese();
};

} // namespace kdx::test

#pragma once
#include <QObject>

namespace kdx::test {

// Menu, toolbars and the enable and check rules of the commands.
class CommandTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void menuHasEveryCommandWithTextAndAccelerator();
    void everyShownCommandIsRegistered();
    void fileAndEditRules();
    void pageRulesFollowSelectionAndPage();
    void rulesAreEvaluatedBeforeMenuShows();
    void toolbarsHoldButtonsInOrder();
    void recentFileListInFileMenu();
    void menuBarKeyboard();
};

} // namespace kdx::test

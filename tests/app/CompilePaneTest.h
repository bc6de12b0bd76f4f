#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// The compile pane with the real compiler: its output, one compilation at a
// time, cancelling and closing while it runs, its menu, and locating the
// page or object a message names.
class CompilePaneTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void compilesExampleShowingMessagesInOrder();
    void successfulCompileIsRememberedForTheSimulator();
    void startFailuresLeaveThePaneUsable();
    void cancelFromMenuEndsWithCancelNotice();
    void cancelWaitsForTheMonitorWithoutDeadlock();
    void closingOrDestroyingTheFrameWhileCompiling();
    void menusOfferCancelOnlyWhileRunning();
    void outputStaysReadOnlyAndKeepsSelectedText();
    void doubleClickLocatesPagesAndObjects();
    void linesThatNameNothingAreIgnored();
    void projectCheckShowsFindingsThatLocate();
    void projectCheckRunsBeforeCompileUnlessTurnedOff();
    void doubleClickFindsPictureAndJumpFailures();
    void messagesShowAsMessages();

private:
    QTemporaryDir dir_;
};

} // namespace kdx::test

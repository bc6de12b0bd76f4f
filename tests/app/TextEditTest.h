#pragma once
#include <QObject>

namespace kdx::test {

// Editing text objects in place on the page, re-wrapping them when they
// change size, writing the text back on every way out, and the page view's
// handling of interrupted drags.
class TextEditTest : public QObject {
    Q_OBJECT
private slots:
    void loadsAndSavesBreaks();
    void editorLiesOverTheObjectInItsStyle();
    void followsTheObjectWhileEditing();
    void reflowsWhenResizedWhileNotEditing();
    void wrapPointsFollowTheTerminalCells();
    void undoAfterBeginDoesNothingAndMenuIsOwn();
    void typingIsLimitedToWhatAnObjectHolds();
    void clickElsewhereAndPageChangeWriteBack();
    void drawingATextOpensTheEditor();
    void saveCompileAndCloseWriteBack();
    void lostGrabEndsResizeDrag();
    void selectionChangeDuringCreationLeavesNoEmptyObject();
    void newAndOpenSelectTheSelectTool();
    void unreadableFileKeepsTheOpenProject();
};

} // namespace kdx::test

#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// Undo and redo in the editor: each user action is one step that undoes to
// the bytes before it and redoes to the bytes after it; the saved state,
// the bound on the history and the text controls' own undo.
class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dragsAndCommitsAreOneStepEach();
    void pageDeletionAndTextEditAreOneStepEach();
    void savedStateAndBound();
    void pageAndSelectionComeBack();
    void propertyPaneFollowsTheRestoredSelection();
    void heldKeyIsOneStep();
    void textControlKeepsItsOwnUndo();

private:
    QTemporaryDir m_dir;
};

} // namespace kdx::test

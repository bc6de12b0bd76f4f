#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// Named undo steps: every command, drag and committed value opens and
// closes its own step, so that a long random walk of actions undoes and
// redoes byte for byte under the names the edit menu shows.
class UndoStepTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void randomWalkUndoesAndRedoesEachNamedStep();
    void committedRenameAndPageDeletionAreTwoSteps();
    void dragIsOneStepWhenReleased();
    void menuNamesNoStepWhileAFieldHasTheFocus();

private:
    QTemporaryDir m_dir;
};

} // namespace kdx::test

#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// Start-up, caption, project commands and panes of the main frame.
class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startsWithProjectFromCommandLine();
    void showsTheWindowBeforeReadingTheProject();
    void startsWithExampleProject();
    void missingOrDamagedFileLeavesNewProject();
    void unreadablePictureIsShownInTheStatusBar();
    void captionFollowsModifiedState();
    void newProjectDialogSetsFormatAndAddsPage();
    void cancelledSavePromptAbandonsNewProject();
    void exitAsksToSaveAndCanBeCancelled();
    void saveAsWritesFileAndRemembersIt();
    void compileSavesFirstAndCancelStopsIt();
    void compileHandsPathsToCompilePane();
    void compileAgainUsesTheProjectsLastOutput();
    void fileDialogsOfferTheirFilters();
    void textProjectsOpenAndSaveInTheirForm();
    void panesShowHideWithCheckMarks();
    void barLayoutPersists();
    void droppedFilesOpenOneAfterAnother();

private:
    QTemporaryDir dir_;
};

} // namespace kdx::test

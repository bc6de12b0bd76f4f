#pragma once
#include <QObject>

namespace kdx::test {

// The custom data dialog: hex text both ways, loading files, accepting and
// discarding, its toolbar and layout.
class LinkDataTest : public QObject {
    Q_OBJECT
private slots:
    void parsesHexText_data();
    void parsesHexText();
    void showsSixteenBytesALine();
    void typedTextIsAcceptedThroughTheToolbar();
    void refusedTextKeepsTheDialogOpen();
    void overlongTextIsCutWithAWarning();
    void unchangedTextClosesWithTheGivenBytes();
    void discardAsksOnlyAfterAChange();
    void loadsFilesUpToTheBlockLimit();
    void openCommandLoadsTheChosenFile();
    void toolbarAndLayout();
};

} // namespace kdx::test

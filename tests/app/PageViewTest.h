#pragma once
#include <QObject>

namespace kdx::test {

// The page view: drawing, document hints, selection with the mouse and keys,
// moving and resizing, the creation tools and the layout commands.
class PageViewTest : public QObject {
    Q_OBJECT
private slots:
    void drawsBackgroundObjectsAndGrid();
    void followsDocumentHints();
    void layoutCentresAndScrollsThePage();
    void clicksAndRubberBandSelect();
    void dragMovesAndHandleResizes();
    void keysMoveDeleteAndCancel();
    void propertyObjectAndCursorsFollowTheSelection();
    void rectangleToolCreatesAndFallsBack();
    void clickWithoutDragAndCancelledImageLeaveNothing();
    void alignCentreAndSameSize();
    void distributeAndRestack();
    void frameCommandsReachTheView();
};

} // namespace kdx::test

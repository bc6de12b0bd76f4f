#pragma once
#include <QObject>
#include <QTemporaryDir>

namespace kdx::test {

// What users of every drawing editor expect: snapping to the grid, Shift
// and Ctrl clicks, the marked key object, the page's context menu.
class ComfortTest : public QObject {
    Q_OBJECT
private slots:
    void drawingMovingAndResizingSnapToTheGrid();
    void altAndTheToggleSuspendSnapping();
    void ctrlArrowMovesOneGridStep();
    void shiftAndCtrlClickAddAndRemove();
    void keyObjectIsMarkedAndChosenByClick();
    void contextMenuActsOnTheClickedObject();
    void pagesDragInTheListAndTheProjectMenu();
    void windowFurniture();

private:
    QTemporaryDir m_dir;
};

} // namespace kdx::test

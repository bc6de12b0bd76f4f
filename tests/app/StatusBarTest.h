#pragma once
#include <QObject>

namespace kdx::test {

// Highlighted, plain and progress panes of the status bar; the scrolling view.
class StatusBarTest : public QObject {
    Q_OBJECT
private slots:
    void highlightFallsBackBetweenFiveAndSevenAndHalfSeconds();
    void kindsPaintTheirGradients();
    void plainAndEmptyMessages();
    void formattedMessagesAndBoxes();
    void progressPaneClampsAndPaints();
    void viewScrollsByWheelUnlessModified();
};

} // namespace kdx::test

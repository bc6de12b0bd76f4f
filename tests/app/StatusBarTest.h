#pragma once
#include <QObject>

namespace kdx::test {

// Highlighted, plain and progress panes of the status bar.
class StatusBarTest : public QObject {
    Q_OBJECT
private slots:
    void highlightFallsBackBetweenFiveAndSevenAndHalfSeconds();
    void kindsPaintTheirGradients();
    void plainAndEmptyMessages();
    void formattedMessagesAndBoxes();
    void progressPaneClampsAndPaints();
};

} // namespace kdx::test

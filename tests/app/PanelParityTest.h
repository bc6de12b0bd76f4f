#pragma once
#include <QObject>

namespace kdx::test {

// The page view at 100 %, without selection or grid, shows exactly what
// "kdx render" makes of the compiled page: every page of the example and a
// page without background carrying black shapes and cut text. Only the
// editor's own marks (custom areas' corners, the cut-text sign) differ.
class PanelParityTest : public QObject {
    Q_OBJECT
private slots:
    void examplePagesMatchTheRenderedPanel();
    void blackShapesOnAPageWithoutBackground();
    void shapesWithBothColoursShowTheirOutlineOnly();
};

} // namespace kdx::test

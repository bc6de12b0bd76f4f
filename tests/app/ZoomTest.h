#pragma once
#include <QObject>

namespace kdx::test {

// The page view at other scales than 1:1: the page-to-screen mapping and its
// limits, pixel-exact enlargement, hit testing, handles, the rubber band,
// moves and resizes, the wheel, the keys, the status-bar box, the in-place
// text editor and locating an object from the compile pane.
class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void mappingIsExactAndLimitsHold();
    void enlargedPageShowsTerminalPixels();
    void clickSelectsOnePixelLines_data();
    void clickSelectsOnePixelLines();
    void handlesStaySixScreenPixels_data();
    void handlesStaySixScreenPixels();
    void rubberBandSelectsExactlyWhatItEncloses_data();
    void rubberBandSelectsExactlyWhatItEncloses();
    void toolsSnapToPagePixels();
    void ctrlWheelKeepsThePointUnderTheMouse();
    void keysFitAndTheZoomBoxAgree();
    void textEditorCoversTheObjectAsShown();
    void textEditorPixelsAreMappedAsThePagesAre();
    void locatingScrollsTheObjectIntoView();
};

} // namespace kdx::test

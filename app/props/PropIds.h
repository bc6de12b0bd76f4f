#pragma once

namespace kdx {

// The ids of the property pages' value controls (their object names), one
// block of ten per page.
enum class PropId : int {
    PageId = 8501,
    PageName = 8502,
    PageLoadSend = 8503,
    PageUnloadSend = 8504,
    PageImage = 8505,
    PageColor = 8506,

    LinkTarget = 8521,
    LinkCondition = 8522,
    LinkData = 8523,

    LineStart = 8531,
    LineEnd = 8532,
    LineColor = 8533,

    RectSize = 8540,
    RectTopLeft = 8541,
    RectBottomRight = 8542,
    RectColor = 8543,

    RoundRectSize = 8550,
    RoundRectTopLeft = 8551,
    RoundRectBottomRight = 8552,
    RoundRectRadius = 8553,
    RoundRectColor = 8554,

    EllipseSize = 8560,
    EllipseCenter = 8561,
    EllipseWidth = 8562,
    EllipseHeight = 8563,
    EllipseColor = 8564,

    TextSize = 8570,
    TextTopLeft = 8571,
    TextBottomRight = 8572,
    TextFont = 8573,
    TextTabSize = 8574,
    TextLineSpacing = 8575,
    TextCharSpacing = 8576,
    TextColor = 8577,

    ImageSize = 8580,
    ImageTopLeft = 8581,
    ImageBottomRight = 8582,
    ImageNormal = 8583,
    ImagePressed = 8584,

    CustomSize = 8590,
    CustomId = 8591,
    CustomTopLeft = 8592,
    CustomBottomRight = 8593,
};

} // namespace kdx

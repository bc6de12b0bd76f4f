#pragma once
#include "render/TerminalImage.h"

#include <QImage>

class QPainter;

namespace kdx::render {

// The colour a terminal draws with until a page's first colour record.
inline const QColor kStartColor = QColor(255, 255, 255);

// Draws one page as the terminal does: on black, its records in order;
// colour records set the current colour; lines and outlines one pixel wide,
// filled shapes filled, in the current colour on the record's inclusive
// coordinates; pictures show their normal frame (the pressed one for the
// record 'pressedRecord', when the picture has one); texts in the terminal
// fonts in the current colour. The painter's origin is the screen's top left.
// False when a picture could not be drawn for want of memory.
bool RenderPage(QPainter& painter, const TerminalImage& image, int pageIndex, int pressedRecord = -1);

// The same into a new screen-sized image (RGB32); null when memory runs out.
QImage RenderPage(const TerminalImage& image, int pageIndex, int pressedRecord = -1);

} // namespace kdx::render

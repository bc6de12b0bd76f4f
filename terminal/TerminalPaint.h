#pragma once
#include "terminal/FontTable.h"
#include "terminal/ScreenTypes.h"

#include <QColor>
#include <QImage>
#include <string_view>
#include <vector>

class QPainter;

namespace kdx {

// The drawing of page content as the terminal shows it, shared by the
// editor's page view and the renderer of compiled pages so that the two
// cannot drift. Coordinates are page pixels; rectangles have right and
// bottom exclusive. Nothing here is anti-aliased.

enum class ShapeKind { Rect, RoundRect, Ellipse };

// A colour 0x00BBGGRR; an invalid QColor for "none".
QColor QColorOf(Color c);

// A one-pixel line from (x1, y1) to (x2, y2), both end points included.
void PaintLine(QPainter& p, int x1, int y1, int x2, int y2, QColor color);

// A shape on its bounds: the outline one pixel wide inside the bounds when
// 'line' is valid, the inside filled when 'fill' is valid. Outlined and
// filled shapes cover the same pixels.
void PaintShape(QPainter& p, ShapeKind kind, const PageRect& bounds, QColor line, QColor fill, int radius = 0);

// A picture scaled to fill its rectangle.
void PaintPicture(QPainter& p, const PageRect& bounds, const QImage& picture);

// How a text is laid out in terminal font cells.
struct TextStyle {
    const TerminalFont* font = nullptr; // the first font when null
    int tabSize = 8;
    int lineSpacing = 0;
    int charSpacing = 0;
};

// A text in the terminal font, clipped to its bounds: characters of one byte
// in code page 936 take half a cell, all others a whole cell, each followed
// by the character spacing; lines are a cell plus the line spacing apart.
// CR LF starts a line at column 0; a lone LF starts a line but keeps the
// column, so that tabs after a wrap point line up with the unwrapped text.
void PaintTerminalText(QPainter& p, const PageRect& bounds, std::u16string_view text, const TextStyle& style,
                       QColor color);

// The width in pixels of each line of a text laid out as above, from the
// line's start to the right edge of its last drawn character (spaces and
// spacing after it do not count); lines without a drawn character are 0, and
// trailing such lines may be missing.
std::vector<int> TerminalTextLineWidths(std::u16string_view text, const TextStyle& style);

} // namespace kdx

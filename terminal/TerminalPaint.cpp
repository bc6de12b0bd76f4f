#include "terminal/TerminalPaint.h"

#include "terminal/MemoryImageLayout.h"
#include "terminal/TerminalFontLookup.h"
#include "terminal/CellWidth.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kdx {
namespace {

QRect ToQRect(const PageRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// A rectangle in 64 bits, right and bottom exclusive, so that page
// coordinates far outside the screen cannot overflow.
struct Span64 {
    int64_t left, top, right, bottom;
    explicit Span64(const PageRect& r) : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}
    explicit Span64(const QRect& r) : left(r.left()), top(r.top()), right(int64_t(r.right()) + 1), bottom(int64_t(r.bottom()) + 1) {}
    bool IsEmpty() const { return left >= right || top >= bottom; }
    bool Intersects(const Span64& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool Contains(const Span64& o) const
    {
        return left <= o.left && top <= o.top && right >= o.right && bottom >= o.bottom;
    }
};

// The part of the page the painter can still change, in page coordinates:
// its device mapped back through its transformation, cut by its clip.
QRect VisibleArea(const QPainter& p)
{
    if (!p.device())
        return {};
    QRectF area = p.worldTransform().inverted().mapRect(QRectF(0, 0, p.device()->width(), p.device()->height()));
    if (p.hasClipping())
        area &= p.clipBoundingRect();
    return area.toAlignedRect();
}

// An ellipse larger than this (twice a terminal's largest screen) reaching
// past the visible area is drawn row by row.
constexpr int64_t kHugeEllipseSide = 2 * image_layout::kMaxScreenSide;

// Fills the pixels x0..x1 (inclusive) of row y that lie in 'visible'.
void FillRow(QPainter& p, const Span64& visible, int64_t y, int64_t x0, int64_t x1, const QColor& color)
{
    x0 = std::max(x0, visible.left);
    x1 = std::min(x1, visible.right - 1);
    if (y >= visible.top && y < visible.bottom && x0 <= x1)
        p.fillRect(QRect(int(x0), int(y), int(x1 - x0 + 1), 1), color);
}

// The filled pixels of row y of an ellipse on 'bounds': those whose centre
// lies inside it. Empty (x0 > x1) when the row misses it.
struct RowSpan {
    int64_t x0 = 1, x1 = 0;
};

RowSpan EllipseRow(const Span64& bounds, int64_t y)
{
    const double rx = double(bounds.right - bounds.left) / 2, ry = double(bounds.bottom - bounds.top) / 2;
    const double cx = double(bounds.left) + rx, cy = double(bounds.top) + ry;
    const double dy = (double(y) + 0.5 - cy) / ry;
    if (y < bounds.top || y >= bounds.bottom || dy * dy > 1)
        return {};
    const double half = rx * std::sqrt(1 - dy * dy);
    return {int64_t(std::ceil(cx - half - 0.5)), int64_t(std::floor(cx + half - 0.5))};
}

// An ellipse reaching past the visible area, drawn row by row over the
// visible rows only, so that its cost follows what can be seen rather than
// its size. The outline is the filled pixels that have a neighbour outside.
void PaintEllipseRows(QPainter& p, const Span64& bounds, const Span64& visible, const QColor& line,
                      const QColor& fill)
{
    const int64_t top = std::max(bounds.top, visible.top), bottom = std::min(bounds.bottom, visible.bottom);
    for (int64_t y = top; y < bottom; ++y) {
        const RowSpan row = EllipseRow(bounds, y);
        if (row.x0 > row.x1)
            continue;
        if (!line.isValid()) {
            FillRow(p, visible, y, row.x0, row.x1, fill);
            continue;
        }
        const RowSpan above = EllipseRow(bounds, y - 1), below = EllipseRow(bounds, y + 1);
        const int64_t inner0 = std::max({row.x0 + 1, above.x0, below.x0});
        const int64_t inner1 = std::min({row.x1 - 1, above.x1, below.x1});
        if (fill.isValid() && inner0 <= inner1)
            FillRow(p, visible, y, inner0, inner1, fill);
        if (inner0 > inner1) {
            FillRow(p, visible, y, row.x0, row.x1, line);
        } else {
            FillRow(p, visible, y, row.x0, inner0 - 1, line);
            FillRow(p, visible, y, inner1 + 1, row.x1, line);
        }
    }
}

// A rectangle reaching past the visible area: only its visible part.
void PaintRectParts(QPainter& p, const Span64& bounds, const Span64& visible, const QColor& line,
                    const QColor& fill)
{
    auto fillPart = [&](int64_t l, int64_t t, int64_t r, int64_t b, const QColor& color) {
        l = std::max(l, visible.left), t = std::max(t, visible.top);
        r = std::min(r, visible.right), b = std::min(b, visible.bottom);
        if (l < r && t < b)
            p.fillRect(QRect(int(l), int(t), int(r - l), int(b - t)), color);
    };
    if (!line.isValid()) {
        fillPart(bounds.left, bounds.top, bounds.right, bounds.bottom, fill);
        return;
    }
    if (fill.isValid())
        fillPart(bounds.left + 1, bounds.top + 1, bounds.right - 1, bounds.bottom - 1, fill);
    fillPart(bounds.left, bounds.top, bounds.right, bounds.top + 1, line);
    fillPart(bounds.left, bounds.bottom - 1, bounds.right, bounds.bottom, line);
    fillPart(bounds.left, bounds.top, bounds.left + 1, bounds.bottom, line);
    fillPart(bounds.right - 1, bounds.top, bounds.right, bounds.bottom, line);
}

} // namespace

QColor QColorOf(Color c)
{
    if (c == kNoColor)
        return QColor();
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void PaintLine(QPainter& p, int x1, int y1, int x2, int y2, QColor color)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(color, 0));
    p.drawLine(x1, y1, x2, y2);
    p.restore();
}

void PaintShape(QPainter& p, ShapeKind kind, const PageRect& bounds, QColor line, QColor fill, int radius)
{
    // Shapes off the screen cost nothing, and those reaching past it only
    // what is visible of them.
    const Span64 extent(bounds), visible(VisibleArea(p));
    if (!extent.IsEmpty()) {
        if (!extent.Intersects(visible))
            return;
        if (!visible.Contains(extent) && kind == ShapeKind::Rect) {
            PaintRectParts(p, extent, visible, line, fill);
            return;
        }
        // Qt walks the whole outline of an ellipse, however little of it
        // shows: a huge one is drawn row by row instead. Its edge pixels may
        // differ slightly from Qt's, so ordinary ones keep Qt's drawing.
        if (kind == ShapeKind::Ellipse && !visible.Contains(extent) &&
            std::max(extent.right - extent.left, extent.bottom - extent.top) > kHugeEllipseSide) {
            PaintEllipseRows(p, extent, visible, line, fill);
            return;
        }
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    QRect area = ToQRect(bounds);
    if (line.isValid()) {
        // A cosmetic pen covers the pixels from left to right inclusive.
        p.setPen(QPen(line, 0));
        area.adjust(0, 0, -1, -1);
    } else {
        p.setPen(Qt::NoPen);
    }
    switch (kind) {
    case ShapeKind::Rect: p.drawRect(area); break;
    case ShapeKind::RoundRect: p.drawRoundedRect(area, radius, radius, Qt::AbsoluteSize); break;
    case ShapeKind::Ellipse: p.drawEllipse(area); break;
    }
    p.restore();
}

void PaintPicture(QPainter& p, const PageRect& bounds, const QImage& picture)
{
    const QRect target = ToQRect(bounds);
    p.save();
    if (picture.size() != target.size())
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture);
    p.restore();
}

namespace {

// Walks a text as the terminal lays it out and calls 'glyph' for every
// character that is drawn, with its position relative to the text's origin
// (x, line index), its advance without the spacing, and its units. Lines
// after 'lastLine' are not walked: below what shows nothing more can.
// Positions are 64-bit, so a text of any length cannot overflow them.
template <typename GlyphFn>
void WalkTerminalText(std::u16string_view text, const TextStyle& style, int64_t lastLine, GlyphFn&& glyph)
{
    const TerminalFont* terminal = style.font ? style.font : FindTerminalFont(1);
    const int64_t tab = std::max(style.tabSize, 1);
    const int spaceWidth = CellAdvance(terminal->cellWidth, u' ');
    int64_t x = 0;
    int64_t line = 0;
    int64_t column = 0;
    for (size_t i = 0; i < text.size() && line <= lastLine; ++i) {
        const char16_t c = text[i];
        if (c == u'\0')
            break;
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            x = 0;
            ++line;
            column = 0;
            ++i;
        } else if (c == u'\n') {
            x = 0;
            ++line;
        } else if (c == u'\t') {
            const int64_t spaces = tab - column % tab;
            x += spaces * (spaceWidth + style.charSpacing);
            column += spaces;
        } else {
            const int advance = CellAdvance(terminal->cellWidth, c);
            const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1]);
            if (c != u' ')
                glyph(x, line, advance, text.substr(i, pair ? 2 : 1));
            if (pair)
                ++i;
            x += advance + style.charSpacing;
            ++column;
        }
    }
}

} // namespace

void PaintTerminalText(QPainter& p, const PageRect& bounds, std::u16string_view text, const TextStyle& style,
                       QColor color)
{
    const TerminalFont* terminal = style.font ? style.font : FindTerminalFont(1);
    const TerminalGlyphs& font = TerminalGlyphsOf(*terminal);
    p.save();
    p.setFont(font.font);
    p.setPen(color);
    p.setClipRect(ToQRect(bounds), Qt::IntersectClip);

    // Only glyphs that can touch a visible pixel are drawn; a glyph may
    // reach a little past its cell, so one cell of margin keeps every one.
    // Past the right edge the rest of a line is only walked, for the
    // columns of tabs after a soft break.
    const Span64 visible(VisibleArea(p));
    const int64_t margin = terminal->cellHeight;
    const int64_t drawLeft = visible.left - margin - terminal->cellWidth, drawRight = visible.right + margin;
    const int64_t drawTop = visible.top - margin - terminal->cellHeight, drawBottom = visible.bottom + margin;
    const int64_t lineStep = terminal->cellHeight + style.lineSpacing;
    const int64_t top = int64_t(bounds.top) + style.lineSpacing / 2;
    int64_t lastLine = std::numeric_limits<int64_t>::max();
    if (drawBottom < top && lineStep >= 0)
        lastLine = -1;
    else if (lineStep > 0)
        lastLine = (drawBottom - top) / lineStep;
    if (!visible.IsEmpty()) {
        WalkTerminalText(text, style, lastLine, [&](int64_t dx, int64_t line, int, std::u16string_view units) {
            const int64_t x = bounds.left + dx, y = top + line * lineStep;
            if (x >= drawLeft && x <= drawRight && y >= drawTop && y <= drawBottom)
                p.drawText(QPoint(int(x), int(y) + font.baseline),
                           QString::fromUtf16(units.data(), qsizetype(units.size())));
        });
    }
    p.restore();
}

std::vector<int> TerminalTextLineWidths(std::u16string_view text, const TextStyle& style)
{
    std::vector<int> widths;
    const int64_t everyLine = std::numeric_limits<int64_t>::max();
    WalkTerminalText(text, style, everyLine, [&](int64_t x, int64_t line, int advance, std::u16string_view) {
        if (widths.size() <= size_t(line))
            widths.resize(size_t(line) + 1, 0);
        widths[size_t(line)] = int(std::max<int64_t>(widths[size_t(line)], x + advance));
    });
    return widths;
}

} // namespace kdx

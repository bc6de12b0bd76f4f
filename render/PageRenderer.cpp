#include "render/PageRenderer.h"

#include "terminal/MemoryImageLayout.h"
#include "terminal/TerminalPaint.h"

#include <QPainter>

#include <algorithm>

namespace kdx::render {

using namespace image_layout;

namespace {

// The record's inclusive coordinates as a rectangle with right and bottom
// exclusive.
PageRect BoundsOf(const Record& r) { return PageRect{r.left, r.top, r.right + 1, r.bottom + 1}; }

// A radius no screen needs, for a record that carries a damaged one.
int RadiusOf(const Record& r) { return int(std::min<uint32_t>(r.value, 0x7FFF)); }

// Draws one record; false when a picture's pixels could not be allocated.
bool DrawRecord(QPainter& p, const TerminalImage& image, const Record& r, const QColor& color, bool pressed)
{
    switch (r.drawType) {
    case kDrawLine: PaintLine(p, r.left, r.top, r.right, r.bottom, color); break;
    case kDrawRect: PaintShape(p, ShapeKind::Rect, BoundsOf(r), color, QColor()); break;
    case kDrawFilledRect: PaintShape(p, ShapeKind::Rect, BoundsOf(r), QColor(), color); break;
    case kDrawRoundRect: PaintShape(p, ShapeKind::RoundRect, BoundsOf(r), color, QColor(), RadiusOf(r)); break;
    case kDrawFilledRoundRect:
        PaintShape(p, ShapeKind::RoundRect, BoundsOf(r), QColor(), color, RadiusOf(r));
        break;
    case kDrawEllipse: PaintShape(p, ShapeKind::Ellipse, BoundsOf(r), color, QColor()); break;
    case kDrawFilledEllipse: PaintShape(p, ShapeKind::Ellipse, BoundsOf(r), QColor(), color); break;
    case kDrawPicture:
        if (r.picture >= 0) {
            const Picture& picture = image.Pictures()[size_t(r.picture)];
            const QImage& frame = pressed ? picture.Pressed() : picture.Normal();
            if (frame.isNull())
                return false;
            PaintPicture(p, BoundsOf(r), frame);
        }
        break;
    case kDrawText:
        if (r.text >= 0) {
            const Text& text = image.Texts()[size_t(r.text)];
            TextStyle style;
            style.font = text.font;
            style.charSpacing = text.charSpacing;
            style.lineSpacing = text.lineSpacing;
            PaintTerminalText(p, BoundsOf(r), text.text, style, color);
        }
        break;
    default: break; // custom areas draw nothing
    }
    return true;
}

bool IsShape(uint16_t drawType) { return drawType == kDrawLine || (drawType >= kDrawRect && drawType <= kDrawFilledEllipse); }

// Whether the record can change a pixel of 'screen'.
bool Touches(const Record& r, const QRect& screen)
{
    if (r.drawType == kDrawLine)
        return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)).normalized().intersects(screen);
    return r.left <= r.right && r.top <= r.bottom && QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)).intersects(screen);
}

// Whether the record paints every pixel of 'screen' opaquely, hiding all
// that was drawn before it. Judged conservatively: a shape must hold the
// screen with room to spare.
bool Covers(const Record& r, const QRect& screen)
{
    const QRect bounds(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
    switch (r.drawType) {
    case kDrawFilledRect: return bounds.contains(screen);
    case kDrawPicture: return r.picture >= 0 && bounds.contains(screen);
    case kDrawFilledRoundRect: {
        const int radius = RadiusOf(r);
        return bounds.adjusted(radius, 0, -radius, 0).contains(screen) ||
               bounds.adjusted(0, radius, 0, -radius).contains(screen);
    }
    case kDrawFilledEllipse: {
        // The ellipse is convex: holding the screen's corners, with two
        // pixels to spare, it holds the whole screen.
        const double rx = (double(r.right) - r.left + 1) / 2, ry = (double(r.bottom) - r.top + 1) / 2;
        const double cx = r.left + rx, cy = r.top + ry;
        auto inside = [&](double x, double y) {
            const double dx = (x - cx) / (rx - 2), dy = (y - cy) / (ry - 2);
            return rx > 2 && ry > 2 && dx * dx + dy * dy < 1;
        };
        const double l = screen.left(), t = screen.top(), rr = screen.right() + 1.0, b = screen.bottom() + 1.0;
        return inside(l, t) && inside(rr, t) && inside(l, b) && inside(rr, b);
    }
    default: return false;
    }
}

// The first record worth drawing: the last one that covers the screen, as
// nothing before it can show; 0 when none does.
size_t FirstShownRecord(const std::vector<Record>& records, const QRect& screen)
{
    for (size_t i = records.size(); i-- > 0;)
        if (Covers(records[i], screen))
            return i;
    return 0;
}

bool SameDrawing(const Record& a, const Record& b)
{
    return a.drawType == b.drawType && a.value == b.value && a.left == b.left && a.top == b.top &&
           a.right == b.right && a.bottom == b.bottom;
}

} // namespace

bool RenderPage(QPainter& painter, const TerminalImage& image, int pageIndex, int pressedRecord)
{
    painter.fillRect(0, 0, image.Width(), image.Height(), Qt::black);
    if (pageIndex < 0 || size_t(pageIndex) >= image.Pages().size())
        return true;
    painter.save();
    painter.setClipRect(0, 0, image.Width(), image.Height(), Qt::IntersectClip);
    // Records off the screen, hidden by a later one that covers it, or
    // repeating the shape just drawn in the same colour change no pixel;
    // skipping them keeps a hostile page of 65,535 huge shapes quick.
    const QRect screen(0, 0, image.Width(), image.Height());
    const std::vector<Record>& records = image.Pages()[size_t(pageIndex)].records;
    const size_t first = FirstShownRecord(records, screen);
    QColor color = kStartColor;
    const Record* last = nullptr;
    bool complete = true;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.drawType == kDrawColor) {
            if (r.color != color)
                last = nullptr;
            color = r.color;
        } else if (i >= first && Touches(r, screen) && !(last && IsShape(r.drawType) && SameDrawing(*last, r))) {
            complete = DrawRecord(painter, image, r, color, int(i) == pressedRecord) && complete;
            last = &r;
        }
    }
    painter.restore();
    return complete;
}

QImage RenderPage(const TerminalImage& image, int pageIndex, int pressedRecord)
{
    QImage screen(image.Width(), image.Height(), QImage::Format_RGB32);
    if (screen.isNull())
        return {};
    QPainter painter(&screen);
    if (!RenderPage(painter, image, pageIndex, pressedRecord))
        return {};
    return screen;
}

} // namespace kdx::render

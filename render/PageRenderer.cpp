#include "render/PageRenderer.h"

#include "common/MemoryImageLayout.h"
#include "model/TerminalPaint.h"

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

void DrawRecord(QPainter& p, const TerminalImage& image, const Record& r, const QColor& color, bool pressed)
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
            PaintPicture(p, BoundsOf(r), pressed && !picture.pressed.isNull() ? picture.pressed : picture.normal);
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
}

} // namespace

void RenderPage(QPainter& painter, const TerminalImage& image, int pageIndex, int pressedRecord)
{
    painter.fillRect(0, 0, image.Width(), image.Height(), Qt::black);
    if (pageIndex < 0 || size_t(pageIndex) >= image.Pages().size())
        return;
    painter.save();
    painter.setClipRect(0, 0, image.Width(), image.Height(), Qt::IntersectClip);
    QColor color = kStartColor;
    const std::vector<Record>& records = image.Pages()[size_t(pageIndex)].records;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.drawType == kDrawColor)
            color = r.color;
        else
            DrawRecord(painter, image, r, color, int(i) == pressedRecord);
    }
    painter.restore();
}

QImage RenderPage(const TerminalImage& image, int pageIndex, int pressedRecord)
{
    QImage screen(image.Width(), image.Height(), QImage::Format_RGB32);
    QPainter painter(&screen);
    RenderPage(painter, image, pageIndex, pressedRecord);
    return screen;
}

} // namespace kdx::render

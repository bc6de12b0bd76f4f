#include "model/TerminalPaint.h"

#include "model/TerminalFontLookup.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <algorithm>

namespace kdx {
namespace {

QRect ToQRect(const PageRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// Fonts and metrics are looked up once per terminal font: the lookup walks
// the system's font list.
struct FontCache {
    QFont font;
    int ascent = 0;
};

const FontCache& CachedFont(const TerminalFont& terminal)
{
    static QHash<uint32_t, FontCache> cache;
    auto it = cache.find(terminal.id);
    if (it == cache.end()) {
        FontCache entry;
        entry.font = TerminalQFont(terminal);
        entry.ascent = QFontMetrics(entry.font).ascent();
        it = cache.insert(terminal.id, entry);
    }
    return *it;
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

void PaintTerminalText(QPainter& p, const PageRect& bounds, std::u16string_view text, const TextStyle& style,
                       QColor color)
{
    const TerminalFont* terminal = style.font ? style.font : FindTerminalFont(1);
    const FontCache& font = CachedFont(*terminal);
    p.save();
    p.setFont(font.font);
    p.setPen(color);
    p.setClipRect(ToQRect(bounds), Qt::IntersectClip);

    const int tab = std::max(style.tabSize, 1);
    const int fullWidth = terminal->cellWidth;
    const int halfWidth = terminal->cellWidth / 2;
    const int lineStep = terminal->cellHeight + style.lineSpacing;
    int x = bounds.left;
    int y = bounds.top + style.lineSpacing / 2;
    int column = 0;
    auto newLine = [&] {
        x = bounds.left;
        y += lineStep;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\0')
            break;
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            newLine();
            column = 0;
            ++i;
        } else if (c == u'\n') {
            newLine();
        } else if (c == u'\t') {
            const int spaces = tab - column % tab;
            x += spaces * (halfWidth + style.charSpacing);
            column += spaces;
        } else {
            const bool half = c < 0x80;
            if (c != u' ') {
                const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1]);
                const QString glyph = pair ? QString::fromUtf16(&text[i], 2) : QString(QChar(c));
                p.drawText(QPoint(x, y + font.ascent), glyph);
                if (pair)
                    ++i;
            }
            x += (half ? halfWidth : fullWidth) + style.charSpacing;
            ++column;
        }
    }
    p.restore();
}

} // namespace kdx

// How the editor draws each kind of page object, in page pixels. Shapes cover
// the pixels of their bounds with right and bottom exclusive, outlined or
// filled alike.
#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "model/TerminalFontLookup.h"

#include <QFontMetrics>
#include <QPainter>

namespace kdx {
namespace {

const char16_t kImagePlaceholder[] = u"<图象>";
const char16_t kTextPlaceholder[] = u"<文本>";

QColor ToQColor(Color c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
QRect ToQRect(const PageRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// Sets pen and brush for a shape and returns the rectangle to draw, so
// that outlined and filled shapes cover the same pixels.
QRect PrepareShape(QPainter& p, const PageRect& bounds, Color line, Color fill)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(fill == kNoColor ? QBrush(Qt::NoBrush) : QBrush(ToQColor(fill)));
    if (line == kNoColor) {
        p.setPen(Qt::NoPen);
        return ToQRect(bounds);
    }
    p.setPen(QPen(ToQColor(line), 0));
    return ToQRect(bounds).adjusted(0, 0, -1, -1);
}

void DrawPlaceholder(QPainter& p, const PageRect& bounds, const DrawStyle& style, const char16_t* text)
{
    const QRect area = ToQRect(bounds);
    p.setPen(QPen(style.grayText, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.setFont(style.placeholderFont);
    const QString label =
        QFontMetrics(style.placeholderFont).elidedText(QString::fromUtf16(text), Qt::ElideRight, area.width());
    p.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, label);
}

} // namespace

void CDrawObj::DrawHandles(QPainter& p) const
{
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (int h = 0; h < GetHandleCount(); ++h)
        p.fillRect(ToQRect(GetHandleRect(h)), Qt::white);
    p.restore();
}

void CDrawLine::Draw(QPainter& p, const DrawStyle&) const
{
    if (m_lineColor == kNoColor)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ToQColor(m_lineColor), 0));
    p.drawLine(m_rawRect.left, m_rawRect.top, m_rawRect.right, m_rawRect.bottom);
    p.restore();
}

void CDrawRect::Draw(QPainter& p, const DrawStyle&) const
{
    p.save();
    p.drawRect(PrepareShape(p, m_bounds, m_lineColor, m_fillColor));
    p.restore();
}

void CDrawRoundRect::Draw(QPainter& p, const DrawStyle&) const
{
    p.save();
    p.drawRoundedRect(PrepareShape(p, m_bounds, m_lineColor, m_fillColor), m_radius, m_radius, Qt::AbsoluteSize);
    p.restore();
}

void CDrawEllipse::Draw(QPainter& p, const DrawStyle&) const
{
    p.save();
    p.drawEllipse(PrepareShape(p, m_bounds, m_lineColor, m_fillColor));
    p.restore();
}

void CDrawImage::Draw(QPainter& p, const DrawStyle& style) const
{
    p.save();
    if (m_normalImage && !m_normalImage->bitmap.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(ToQRect(m_bounds), m_normalImage->bitmap);
    } else {
        DrawPlaceholder(p, m_bounds, style, kImagePlaceholder);
    }
    p.restore();
}

void CDrawText::Draw(QPainter& p, const DrawStyle& style) const
{
    if (m_editing)
        return; // the in-place editor shows the text
    p.save();
    const std::u16string text = Text();
    if (text.empty()) {
        DrawPlaceholder(p, m_bounds, style, kTextPlaceholder);
        p.restore();
        return;
    }
    const TerminalFont* terminal = FindTerminalFont(m_fontId);
    if (!terminal)
        terminal = FindTerminalFont(1);
    const QFont font = TerminalQFont(*terminal);
    const QFontMetrics metrics(font);
    p.setFont(font);
    p.setPen(ToQColor(m_lineColor));
    p.setClipRect(ToQRect(m_bounds));

    // CR LF starts a line at column 0; a lone LF (a wrap point) starts a line
    // but keeps the column, so tabs after it line up with the unwrapped text.
    const int tab = std::max(m_tabSize, 1);
    const int lineStep = terminal->cellHeight + m_lineSpacing;
    const int spaceWidth = metrics.horizontalAdvance(u' ');
    int x = m_bounds.left;
    int y = m_bounds.top + m_lineSpacing / 2;
    int column = 0;
    QString run;
    auto flush = [&] {
        if (run.isEmpty())
            return;
        p.drawText(QRect(x, y, metrics.horizontalAdvance(run) + 1, lineStep + metrics.height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, run);
        x += metrics.horizontalAdvance(run);
        run.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            flush();
            x = m_bounds.left;
            y += lineStep;
            column = 0;
            ++i;
        } else if (c == u'\n') {
            flush();
            x = m_bounds.left;
            y += lineStep;
        } else if (c == u'\t') {
            flush();
            x += (tab - column % tab) * spaceWidth;
            column = (column / tab + 1) * tab;
        } else {
            run += QChar(c);
            ++column;
        }
    }
    flush();
    p.restore();
}

void CDrawCustom::Draw(QPainter& p, const DrawStyle& style) const
{
    // Only the handle squares, so the object stays visible over any background.
    p.save();
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(QPen(style.buttonShadow, 0));
    p.setBrush(Qt::NoBrush);
    for (int h = 0; h < GetHandleCount(); ++h)
        p.drawRect(ToQRect(GetHandleRect(h)).adjusted(0, 0, -1, -1));
    p.restore();
}

} // namespace kdx

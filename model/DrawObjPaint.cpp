// How the editor draws each kind of page object, in page pixels. Shapes cover
// the pixels of their bounds with right and bottom exclusive, outlined or
// filled alike.
#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "terminal/TerminalPaint.h"

#include <QFontMetrics>
#include <QPainter>

namespace kdx {
namespace {

const char16_t kImagePlaceholder[] = u"<图象>";
const char16_t kTextPlaceholder[] = u"<文本>";

QRect ToQRect(const PageRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// A shape with both colours is compiled to its outline, so the page shows
// it without its fill, as the panel will.
QColor ShownFill(Color line, Color fill) { return line == kNoColor ? QColorOf(fill) : QColor(); }

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

// A small red triangle pointing down: more text than the panel shows.
void DrawCutSign(QPainter& p, const PageRect& r)
{
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 0));
    p.setBrush(QColor(255, 0, 0));
    const QPolygon triangle{QPoint(r.left, r.top), QPoint(r.right - 1, r.top),
                            QPoint((r.left + r.right - 1) / 2, r.bottom - 1)};
    p.drawPolygon(triangle);
    p.restore();
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
    PaintLine(p, m_rawRect.left, m_rawRect.top, m_rawRect.right, m_rawRect.bottom, QColorOf(m_lineColor));
}

void CDrawRect::Draw(QPainter& p, const DrawStyle&) const
{
    PaintShape(p, ShapeKind::Rect, m_bounds, QColorOf(m_lineColor), ShownFill(m_lineColor, m_fillColor));
}

void CDrawRoundRect::Draw(QPainter& p, const DrawStyle&) const
{
    PaintShape(p, ShapeKind::RoundRect, m_bounds, QColorOf(m_lineColor), ShownFill(m_lineColor, m_fillColor), m_radius);
}

void CDrawEllipse::Draw(QPainter& p, const DrawStyle&) const
{
    PaintShape(p, ShapeKind::Ellipse, m_bounds, QColorOf(m_lineColor), ShownFill(m_lineColor, m_fillColor));
}

void CDrawImage::Draw(QPainter& p, const DrawStyle& style) const
{
    if (m_normalImage && !m_normalImage->bitmap.isNull()) {
        PaintPicture(p, m_bounds, m_normalImage->bitmap);
    } else {
        p.save();
        DrawPlaceholder(p, m_bounds, style, kImagePlaceholder);
        p.restore();
    }
}

void CDrawText::Draw(QPainter& p, const DrawStyle& style) const
{
    const std::u16string text = Text();
    if (text.empty()) {
        p.save();
        DrawPlaceholder(p, m_bounds, style, kTextPlaceholder);
        p.restore();
        return;
    }
    // Drawn as the terminal draws the compiled text: the lines that fit,
    // tabs expanded, characters as far apart as the character spacing says.
    const Shown shown = ShownText();
    TextStyle textStyle;
    textStyle.font = FindTerminalFont(m_fontId);
    textStyle.tabSize = m_tabSize;
    textStyle.lineSpacing = m_lineSpacing;
    textStyle.charSpacing = m_charSpacing;
    PaintTerminalText(p, m_bounds, shown.text, textStyle, QColorOf(m_lineColor));
    if (shown.cut && style.editorMarks)
        DrawCutSign(p, CutSignRect());
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

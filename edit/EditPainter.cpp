#include "edit/EditPainter.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QRegion>
#include <algorithm>

namespace kdx {

EditPainter::EditPainter(const TextStore& store, const TextMetrics& metrics, const EditSelection& selection,
                         const EditLayout& layout)
    : m_store(store), m_metrics(metrics), m_selection(selection), m_layout(layout)
{
}

// Qt lays a run of text out at the font's fractional advances, while the
// caret, the pointer, the marks and the wrap use whole-pixel advances per
// unit (as the terminal does); drawn as one string, a run drifts from them
// by a fraction of a pixel per character. So every glyph is placed at its
// measured x. Units the font has no glyph for, and surrogate pairs, are
// drawn one by one (with font fallback) at their x.
void EditPainter::DrawUnits(QPainter& painter, int x, int baseline, const char16_t* units, int length)
{
    const QRawFont& raw = m_metrics.RawFont();
    m_glyphs.assign(static_cast<size_t>(length), 0);
    int count = length;
    const auto* chars = reinterpret_cast<const QChar*>(units);
    const bool mapped = raw.isValid()
                        && std::none_of(units, units + length, [](char16_t u) { return QChar::isSurrogate(u); })
                        && raw.glyphIndexesForChars(chars, length, m_glyphs.data(), &count) && count == length;
    if (!mapped)
        std::fill(m_glyphs.begin(), m_glyphs.end(), 0);
    QList<quint32> glyphs;
    QList<QPointF> positions;
    const auto flush = [&] {
        if (glyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.drawGlyphRun(QPointF(0, baseline), run);
        glyphs.clear();
        positions.clear();
    };
    for (int i = 0; i < length; ++i) {
        const int advance = m_metrics.UnitWidth(units[i]);
        if (m_glyphs[size_t(i)] != 0) {
            glyphs.append(m_glyphs[size_t(i)]);
            positions.append(QPointF(x, 0));
            x += advance;
            continue;
        }
        flush();
        const bool pair = QChar::isHighSurrogate(units[i]) && i + 1 < length && QChar::isLowSurrogate(units[i + 1]);
        painter.setFont(m_metrics.PaintFont());
        painter.drawText(QPoint(x, baseline), QString::fromUtf16(units + i, pair ? 2 : 1));
        x += advance;
        if (pair)
            x += m_metrics.UnitWidth(units[++i]);
    }
    flush();
}

void EditPainter::PaintBelowText(QPainter& painter, int y, const QRect& viewport)
{
    const int margin = m_layout.TextRect().left();
    painter.fillRect(QRect(0, y, margin, viewport.height() - y), m_colours[COLOUR_NUMBER_BACKGROUND]);
    painter.fillRect(QRect(margin, y, viewport.width() - margin, viewport.height() - y), m_colours[COLOUR_BACKGROUND]);
}

void EditPainter::PaintCaret(QPainter& painter, EditCell cell)
{
    painter.setClipRect(m_layout.TextRect());
    painter.fillRect(QRect(m_layout.XOf(cell), m_layout.RowTop(cell.row) + m_metrics.LineSpacing() / 2, 2,
                           m_metrics.FontHeight()),
                     m_colours[COLOUR_TEXT]);
}

void EditPainter::PaintRuler(QPainter& painter, const QRect& rect)
{
    painter.fillRect(rect, m_colours[COLOUR_RULER_BACKGROUND]);
    painter.setPen(m_colours[COLOUR_RULER_MARKS]);
    const int pitch = std::max(1, m_metrics.AverageWidth());
    const int tickTop = rect.top() + rect.height() * 2 / 3;
    const int bottom = rect.bottom();
    QFont small = m_metrics.Font();
    painter.setFont(small);
    for (int column = m_layout.FirstColumn();; ++column) {
        const int x = m_layout.TextRect().left() + (column - m_layout.FirstColumn()) * pitch;
        if (x > rect.right())
            break;
        if (column % 10 == 0) {
            painter.drawLine(x, tickTop - 2, x, bottom);
            painter.drawText(QRect(x + 2, rect.top(), pitch * 10, tickTop - rect.top() + m_metrics.Ascent()),
                             Qt::AlignLeft | Qt::AlignTop, QString::number(column / 10 + 1));
        } else {
            painter.drawLine(x, tickTop, x, bottom);
        }
    }
    painter.fillRect(QRect(rect.left(), rect.top(), m_layout.MarginRect().width(), rect.height()),
                     m_colours[COLOUR_RULER_BACKGROUND]);
    painter.drawLine(rect.left(), bottom, rect.right(), bottom);
}

void EditPainter::PaintLineNumber(QPainter& painter, int row, const QRect& rect)
{
    const QRect field(rect.left(), rect.top(), m_layout.NumberWidth(), rect.height());
    painter.fillRect(field, m_colours[COLOUR_NUMBER_BACKGROUND]);
    painter.fillRect(QRect(field.right() + 1, rect.top(), rect.width() - m_layout.NumberWidth(), rect.height()),
                     m_colours[COLOUR_BACKGROUND]);
    if (m_layout.NumberWidth() == 0 || m_store.Row(row).IsContinuation())
        return;
    painter.setPen(m_colours[COLOUR_LINE_NUMBERS]);
    painter.drawText(field.adjusted(0, m_metrics.LineSpacing() / 2, -2, 0), Qt::AlignRight | Qt::AlignTop,
                     QString::number(m_store.LineOfRow(row) + 1));
}

void EditPainter::PaintRow(QPainter& painter, int row, const QRect& rect)
{
    const RowEntry& entry = m_store.Row(row);
    const bool bookmarked = m_store.Row(m_store.FirstRowOf(row)).flags & ROW_BOOKMARK;
    const bool current = row == m_selection.Caret().row;
    QColor background = m_colours[COLOUR_BACKGROUND];
    if (current && m_options.currentLine)
        background = m_colours[COLOUR_CURRENT_ROW];
    else if (!current && bookmarked)
        background = m_colours[COLOUR_BOOKMARK];
    const QRect textPart(m_layout.TextRect().left(), rect.top(), rect.width() - m_layout.TextRect().left(), rect.height());
    painter.setClipRect(textPart.intersected(QRect(0, m_layout.TextRect().top(), rect.width(), m_layout.TextRect().height())));
    painter.fillRect(textPart, background);
    if (current && bookmarked) {
        painter.setPen(m_colours[COLOUR_BOOKMARK]);
        painter.drawLine(textPart.left(), rect.top(), textPart.right(), rect.top());
        painter.drawLine(textPart.left(), rect.bottom(), textPart.right(), rect.bottom());
    }

    const int x0 = m_layout.TextRect().left() - m_layout.HorizontalOffset();
    const int top = rect.top() + m_metrics.LineSpacing() / 2;
    const int baseline = top + m_metrics.Ascent();
    // Selection background.
    QRect selection;
    int selStart = 0;
    int selEnd = 0;
    if (m_selection.RowSpan(m_store, m_metrics, row, selStart, selEnd)) {
        const int left = x0 + m_metrics.XOfColumn(entry, selStart);
        int right = x0 + m_metrics.XOfColumn(entry, std::min(selEnd, entry.length));
        if (selEnd > entry.length)
            right += m_metrics.LineEndWidth();
        if (m_selection.IsColumn())
            right = std::max(right, x0 + m_selection.RightX());
        selection = QRect(left, rect.top(), right - left, rect.height());
        painter.fillRect(selection, m_colours[COLOUR_SELECTION]);
    }
    // Text, drawn as runs between TABs and control units.
    auto drawRuns = [&](const QColor& colour) {
        painter.setPen(colour);
        int x = x0;
        int visual = entry.startColumn;
        int i = 0;
        while (i < entry.length) {
            const char16_t unit = entry.text[i];
            if (unit == u'\t' || unit < 0x20) {
                x += m_metrics.AdvanceOf(unit, visual);
                visual += m_metrics.ColumnsOf(unit, visual);
                ++i;
                continue;
            }
            int j = i;
            int width = 0;
            while (j < entry.length && entry.text[j] != u'\t' && entry.text[j] >= 0x20) {
                width += m_metrics.UnitWidth(entry.text[j]);
                ++j;
            }
            if (x + width >= m_layout.TextRect().left())
                DrawUnits(painter, x, baseline, entry.text + i, j - i);
            x += width;
            visual += j - i;
            i = j;
            if (x > rect.right())
                break;
        }
    };
    const QRect clip = textPart.intersected(QRect(0, m_layout.TextRect().top(), rect.width(), m_layout.TextRect().height()));
    QColor text = m_options.lineColour ? m_options.lineColour(m_store.LineOfRow(row)) : QColor();
    if (!text.isValid())
        text = m_colours[COLOUR_TEXT];
    if (selection.isNull()) {
        drawRuns(text);
    } else {
        QRegion outside = QRegion(clip).subtracted(QRegion(selection));
        painter.setClipRegion(outside);
        drawRuns(text);
        painter.setClipRect(selection.intersected(clip));
        drawRuns(m_colours[COLOUR_SELECTED_TEXT]);
        painter.setClipRect(clip);
    }
    if (m_options.spacesAndTabs)
        PaintWhitespace(painter, entry, x0, top);
    if (m_options.lineEnds)
        PaintLineEnd(painter, row, x0 + m_metrics.XOfColumn(entry, entry.length), top);

}

void EditPainter::PaintWhitespace(QPainter& painter, const RowEntry& entry, int x0, int top)
{
    painter.setPen(m_colours[COLOUR_WHITESPACE]);
    const int middle = top + m_metrics.FontHeight() / 2;
    const int bar = std::max(2, m_metrics.FontHeight() / 4);
    int x = x0;
    int visual = entry.startColumn;
    for (int i = 0; i < entry.length; ++i) {
        const char16_t unit = entry.text[i];
        const int advance = m_metrics.AdvanceOf(unit, visual);
        if (x > m_layout.TextRect().right())
            break;
        if (unit == u'\t' && advance > 2) {
            painter.drawLine(x + 1, middle, x + advance - 2, middle);
            painter.drawLine(x + advance - 2, middle - bar, x + advance - 2, middle + bar);
        } else if (unit == u' ') {
            painter.drawLine(x + advance / 3, middle, x + std::max(advance / 3, advance * 2 / 3 - 1), middle);
        }
        x += advance;
        visual += m_metrics.ColumnsOf(unit, visual);
    }
}

void EditPainter::PaintLineEnd(QPainter& painter, int row, int x, int top)
{
    const RowEntry& entry = m_store.Row(row);
    const bool last = row == m_store.RowCount() - 1;
    if (!(entry.flags & ROW_LINE_BREAK) && !last)
        return;
    int selStart = 0;
    int selEnd = 0;
    const bool selected = m_selection.RowSpan(m_store, m_metrics, row, selStart, selEnd)
                          && selEnd > entry.length;
    painter.setPen(selected ? m_colours[COLOUR_SELECTED_TEXT] : m_colours[COLOUR_WHITESPACE]);
    const int width = m_metrics.LineEndWidth();
    const int height = m_metrics.FontHeight();
    const int cx = x + width / 2;
    const int head = std::max(2, width / 3);
    if (!last) {
        // Downward arrow: the line break.
        const int y1 = top + height / 4;
        const int y2 = top + height * 3 / 4;
        painter.drawLine(cx, y1, cx, y2);
        painter.drawLine(cx - head, y2 - head, cx, y2);
        painter.drawLine(cx + head, y2 - head, cx, y2);
    } else {
        // Left-pointing arrow: the end of the text.
        const int y = top + height / 2;
        painter.drawLine(x + 1, y, x + width - 1, y);
        painter.drawLine(x + 1, y, x + 1 + head, y - head);
        painter.drawLine(x + 1, y, x + 1 + head, y + head);
    }
}

} // namespace kdx

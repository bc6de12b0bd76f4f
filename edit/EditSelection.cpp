#include "edit/EditSelection.h"

#include <algorithm>

#include "edit/TextMetrics.h"

namespace kdx {

void EditSelection::Clear()
{
    m_mode = Mode::None;
    m_firstRow = m_lastRow = -1;
    m_length = 0;
}

void EditSelection::SetStream(const TextStore& store, TextPos anchor, TextPos caret)
{
    Clear();
    m_anchor = anchor;
    if (anchor == caret)
        return;
    m_mode = Mode::Stream;
    m_streamStart = std::min(anchor, caret);
    m_streamEnd = std::max(anchor, caret);
    m_firstRow = store.RowOfPos(m_streamStart);
    m_lastRow = store.RowOfPos(m_streamEnd);
    m_length = store.Distance(m_streamStart, m_streamEnd);
}

void EditSelection::SetColumn(const TextStore& store, const TextMetrics& metrics, int firstRow, int lastRow,
                              int leftX, int rightX)
{
    Clear();
    if (firstRow > lastRow)
        std::swap(firstRow, lastRow);
    if (leftX > rightX)
        std::swap(leftX, rightX);
    m_mode = Mode::Column;
    m_firstRow = std::clamp(firstRow, 0, store.RowCount() - 1);
    m_lastRow = std::clamp(lastRow, 0, store.RowCount() - 1);
    m_leftX = leftX;
    m_rightX = rightX;
    for (int r = m_firstRow; r <= m_lastRow; ++r) {
        const RowEntry& row = store.Row(r);
        m_length += metrics.ColumnAtX(row, rightX) - metrics.ColumnAtX(row, leftX) + 2;
    }
    const RowEntry& first = store.Row(m_firstRow);
    m_anchor = store.RowToLogical(m_firstRow, metrics.ColumnAtX(first, leftX));
}

bool EditSelection::RowSpan(const TextStore& store, const TextMetrics& metrics, int row, int& start,
                            int& end) const
{
    if (m_mode == Mode::None || row < m_firstRow || row > m_lastRow || row >= store.RowCount())
        return false;
    const RowEntry& entry = store.Row(row);
    if (m_mode == Mode::Column) {
        start = metrics.ColumnAtX(entry, m_leftX);
        end = metrics.ColumnAtX(entry, m_rightX);
        return true;
    }
    const int line = store.LineOfRow(row);
    const int offset = store.RowOffset(row);
    const TextPos rowStart{line, offset};
    const TextPos rowEnd{line, offset + entry.length};
    start = m_streamStart > rowStart ? m_streamStart.column - offset : 0;
    if (m_streamEnd > rowEnd)
        end = (entry.flags & ROW_LINE_BREAK) ? entry.length + 1 : entry.length;
    else
        end = m_streamEnd.column - offset;
    return true;
}

TextPos EditSelection::Start(const TextStore& store, const TextMetrics& metrics, TextPos caret) const
{
    if (m_mode == Mode::Column)
        return store.RowToLogical(m_firstRow, metrics.ColumnAtX(store.Row(m_firstRow), m_leftX));
    return std::min(m_anchor, caret);
}

TextPos EditSelection::End(const TextStore& store, const TextMetrics& metrics, TextPos caret) const
{
    if (m_mode == Mode::Column) {
        const RowEntry& row = store.Row(m_lastRow);
        return store.RowToLogical(m_lastRow, std::min(metrics.ColumnAtX(row, m_rightX), row.length));
    }
    return std::max(m_anchor, caret);
}

bool EditSelection::Contains(const TextStore& store, const TextMetrics& metrics, TextPos pos, TextPos caret) const
{
    if (m_mode == Mode::None)
        return false;
    if (m_mode == Mode::Column) {
        int column = 0;
        const int row = store.RowOfPos(pos, &column);
        int start = 0;
        int end = 0;
        return RowSpan(store, metrics, row, start, end) && column >= start && column <= end;
    }
    return pos >= Start(store, metrics, caret) && pos <= End(store, metrics, caret);
}

} // namespace kdx

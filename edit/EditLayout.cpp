#include "edit/EditLayout.h"

#include <QElapsedTimer>
#include <algorithm>

#include "edit/EditDocument.h"

namespace kdx {

namespace {

int DigitCount(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

} // namespace

EditLayout::EditLayout(const TextStore& store, const TextMetrics& metrics, const QString& delimiters)
    : m_store(store), m_metrics(metrics), m_splitter(metrics, delimiters)
{
}

void EditLayout::SetAreas(const QRect& ruler, const QRect& margin, const QRect& text)
{
    m_rulerRect = ruler;
    m_marginRect = margin;
    m_textRect = text;
}

void EditLayout::PlaceAreas(const QRect& client, bool ruler, bool lineNumbers)
{
    const int rulerHeight = ruler ? std::max(m_metrics.FontHeight(), 16) : 3;
    const int gapWidth = ruler ? std::max(m_metrics.AverageWidth() / 2, 5) : 5;
    m_numberWidth = 0;
    if (lineNumbers)
        m_numberWidth = std::max(20, DigitCount(m_store.LineCount()) * m_metrics.WidestDigit() + 5);
    const int marginWidth = gapWidth + m_numberWidth;
    const int height = std::max(0, client.height() - rulerHeight);
    SetAreas(QRect(0, 0, client.width(), rulerHeight), QRect(0, rulerHeight, marginWidth, height),
             QRect(marginWidth, rulerHeight, std::max(0, client.width() - marginWidth), height));
}

int EditLayout::VisibleRows() const
{
    return m_textRect.height() / std::max(1, m_metrics.RowHeight());
}

int EditLayout::RowAt(int y) const
{
    const int height = std::max(1, m_metrics.RowHeight());
    const int offset = y - m_textRect.top();
    const int row = m_firstRow + (offset >= 0 ? offset / height : -((-offset + height - 1) / height));
    return std::clamp(row, 0, m_store.RowCount() - 1);
}

EditCell EditLayout::CellAt(const QPoint& pos) const
{
    EditCell cell;
    cell.row = RowAt(pos.y());
    cell.column = m_metrics.ColumnAtX(m_store.Row(cell.row), pos.x() - m_textRect.left() + HorizontalOffset());
    return cell;
}

int EditLayout::XOf(EditCell cell) const
{
    return m_textRect.left() - HorizontalOffset() + m_metrics.XOfColumn(m_store.Row(cell.row), cell.column);
}

void EditLayout::SetWrapMode(int mode, int width)
{
    m_wrapMode = std::clamp(mode, 0, 2);
    m_wrapWidth = std::max(1, width);
}

void EditLayout::UseSplitter()
{
    m_splitter.SetMode(m_wrapMode, m_wrapMode == 1 ? m_textRect.width() : m_wrapWidth);
}

void EditLayout::WrapAll(EditDocument& document, const std::function<void(int)>& progress)
{
    m_wrapPending = false;
    if (m_wrapMode == 0) {
        if (m_store.Wrapped())
            document.SetSplitter(nullptr, progress);
        return;
    }
    UseSplitter();
    document.SetSplitter(&m_splitter, progress);
}

void EditLayout::BeginWrap(EditDocument& document, int viewLine, int caretLine, int span)
{
    m_wrapPending = false;
    UseSplitter();
    document.BeginRewrap(&m_splitter);
    document.RewrapLines(viewLine, viewLine + span);
    document.RewrapLines(caretLine - span, caretLine + span);
    m_wrapPercent = 0;
}

bool EditLayout::WrapSome(EditDocument& document, qint64 nanoseconds, int& fromLine, int& toLine)
{
    fromLine = m_store.PendingLine();
    QElapsedTimer clock;
    clock.start();
    const bool done = document.RewrapSome([&] { return clock.nsecsElapsed() < nanoseconds; });
    toLine = done ? m_store.LineCount() : m_store.PendingLine();
    return done;
}

int EditLayout::TakeWrapProgress(int toLine, bool done)
{
    const int percent = done ? 100 : int(int64_t(toLine) * 100 / std::max(1, m_store.LineCount()));
    if (percent <= m_wrapPercent)
        return -1;
    m_wrapPercent = percent;
    return percent;
}

} // namespace kdx

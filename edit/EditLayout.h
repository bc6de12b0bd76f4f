#pragma once
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

#include "edit/EditSelection.h"
#include "edit/TextMetrics.h"

namespace kdx {

class EditDocument;

// Where the text stands in the control: the areas of the ruler, the margin
// and the text, the scroll position, and the rows the lines are split into
// (word wrap at once, or the rows on screen first and the rest in slices).
class EditLayout {
public:
    EditLayout(const TextStore& store, const TextMetrics& metrics, const QString& delimiters);

    // Areas, in viewport coordinates.
    void SetAreas(const QRect& ruler, const QRect& margin, const QRect& text);
    // The usual areas: a ruler across the top (a thin strip without it),
    // line numbers and a gap on the left, the text in the rest.
    void PlaceAreas(const QRect& client, bool ruler, bool lineNumbers);
    const QRect& RulerRect() const { return m_rulerRect; }
    const QRect& MarginRect() const { return m_marginRect; }
    const QRect& TextRect() const { return m_textRect; }
    int NumberWidth() const { return m_numberWidth; }

    // Scroll position: the first row shown and the horizontal scroll in
    // average character widths.
    int FirstRow() const { return m_firstRow; }
    int FirstColumn() const { return m_firstColumn; }
    void SetFirstRow(int row) { m_firstRow = row; }
    void SetFirstColumn(int column) { m_firstColumn = column; }
    int VisibleRows() const;
    int HorizontalOffset() const { return m_firstColumn * m_metrics.AverageWidth(); }
    int RowTop(int row) const { return m_textRect.top() + (row - m_firstRow) * m_metrics.RowHeight(); }
    // The row at a viewport y, clamped to the text.
    int RowAt(int y) const;
    EditCell CellAt(const QPoint& pos) const;
    // Viewport x of the left edge of a cell.
    int XOf(EditCell cell) const;

    // Word wrap: 0 none, 1 at the text area's width, 2 at `width` columns.
    int WrapMode() const { return m_wrapMode; }
    int WrapWidth() const { return m_wrapWidth; }
    void SetWrapMode(int mode, int width);
    // A width change waits for the focus before it re-wraps.
    bool WrapPending() const { return m_wrapPending; }
    void SetWrapPending(bool pending) { m_wrapPending = pending; }
    // Re-splits the whole text at once (progress in percent for long texts).
    void WrapAll(EditDocument& document, const std::function<void(int)>& progress);
    // Starts a re-wrap in the background: the lines given are split at once.
    void BeginWrap(EditDocument& document, int viewLine, int caretLine, int span);
    // Continues a background re-wrap for about `nanoseconds`; returns true
    // when the whole text is done. The lines split are [fromLine, toLine).
    bool WrapSome(EditDocument& document, qint64 nanoseconds, int& fromLine, int& toLine);
    // The percent done when it rose since the last call, else -1.
    int TakeWrapProgress(int toLine, bool done);

private:
    void UseSplitter();

    const TextStore& m_store;
    const TextMetrics& m_metrics;
    WrapSplitter m_splitter;
    QRect m_rulerRect;
    QRect m_marginRect;
    QRect m_textRect;
    int m_numberWidth = 0;
    int m_firstRow = 0;
    int m_firstColumn = 0;
    int m_wrapMode = 0;
    int m_wrapWidth = 0;
    bool m_wrapPending = false;
    int m_wrapPercent = 0;
};

} // namespace kdx

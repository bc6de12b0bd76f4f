// Display and input of CMyEditCtrl: geometry, painting, caret, keyboard,
// mouse, scrolling and drag and drop.
#include "edit/CMyEditCtrl.h"

#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

namespace kdx {

namespace {

std::u16string ToU16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}

bool IsPrintableOrBlank(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c == u'\t' || c.isSurrogate())
            continue;
        if (!c.isPrint() && c != u' ')
            return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Geometry

int CMyEditCtrl::VisibleRows() const
{
    return m_layout.VisibleRows();
}

QPoint CMyEditCtrl::PointOf(int line, int column) const
{
    const Cell cell = CellOf({line, column});
    return {m_layout.XOf(cell), m_layout.RowTop(cell.row)};
}

QRect CMyEditCtrl::CaretRect() const
{
    const int x = m_layout.TextRect().left() - m_layout.HorizontalOffset() + CaretX();
    return QRect(x - 1, m_layout.RowTop(m_selection.Caret().row), 4, metrics_.RowHeight());
}

int CMyEditCtrl::CaretX() const
{
    return metrics_.XOfColumn(m_document.Store().Row(m_selection.Caret().row), m_selection.Caret().column);
}

void CMyEditCtrl::SetCaretLogical(TextPos pos, bool keepPreferredX)
{
    const Cell cell = CellOf(m_document.Store().Clamp(pos));
    m_selection.Caret().row = cell.row;
    m_selection.Caret().column = cell.column;
    if (!keepPreferredX)
        m_selection.PreferredX() = CaretX();
    if (!HasSelection())
        m_selection.SetAnchor(PosOf(cell));
}

void CMyEditCtrl::UpdateScrollBars()
{
    const int visible = VisibleRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(std::max(1, visible - 1));
    vertical->setSingleStep(1);
    vertical->setRange(0, std::max(0, m_document.Store().RowCount() - std::max(1, visible) + 1));
    const int page = m_layout.TextRect().width() / std::max(1, metrics_.AverageWidth());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(std::max(1, std::min(page, 8193)));
    horizontal->setSingleStep(1);
    horizontal->setRange(0, std::max(0, 8192 - page));
    m_layout.SetFirstRow(vertical->value());
    m_layout.SetFirstColumn(horizontal->value());
}

void CMyEditCtrl::EnsureCaretVisible(bool centre)
{
    const int visible = std::max(1, VisibleRows());
    int row = m_layout.FirstRow();
    // A row clicked at the bottom edge is where the pointer is: scrolling it
    // into full view would move the text under a following double-click.
    const bool clickedInView = pointerPlacing_ && m_selection.Caret().row >= m_layout.FirstRow()
                               && m_layout.RowTop(m_selection.Caret().row) < m_layout.TextRect().top() + m_layout.TextRect().height();
    if (!clickedInView && (m_selection.Caret().row < m_layout.FirstRow() || m_selection.Caret().row >= m_layout.FirstRow() + visible))
        row = centre ? m_selection.Caret().row - visible / 2 : (m_selection.Caret().row < m_layout.FirstRow() ? m_selection.Caret().row : m_selection.Caret().row - visible + 1);
    const int width = std::max(1, m_layout.TextRect().width());
    const int average = std::max(1, metrics_.AverageWidth());
    const int x = CaretX();
    int column = m_layout.FirstColumn();
    if (x < m_layout.HorizontalOffset() || x >= m_layout.HorizontalOffset() + width)
        column = (x - (centre ? width / 2 : width / 4)) / average;
    verticalScrollBar()->setValue(std::max(0, row));
    horizontalScrollBar()->setValue(std::max(0, column));
    m_layout.SetFirstRow(verticalScrollBar()->value());
    m_layout.SetFirstColumn(horizontalScrollBar()->value());
}

void CMyEditCtrl::scrollContentsBy(int, int)
{
    m_layout.SetFirstRow(verticalScrollBar()->value());
    m_layout.SetFirstColumn(horizontalScrollBar()->value());
    if (m_document.Store().RewrapPending()) {
        // Scrolled ahead of the background wrap: the rows now on screen are
        // wrapped at once, keeping the text at the top where it is.
        const ViewAnchor view = SaveView();
        ClearRowSelection();
        m_document.RewrapLines(view.top.line, view.top.line + std::max(1, VisibleRows()) + 1);
        RestoreView(view);
    }
    viewport()->update();
}

void CMyEditCtrl::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (viewport()->width() <= 0 || viewport()->height() <= 0)
        return;
    Relayout();
    UpdateScrollBars();
    EnsureCaretVisible();
}

void CMyEditCtrl::RestartCaretBlink()
{
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    caretOn_ = true;
    if (hasFocus() && flash > 0)
        caretTimer_.start(flash / 2);
    else
        caretTimer_.stop();
}

void CMyEditCtrl::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (m_layout.WrapPending())
        StartRewrap();
    RestartCaretBlink();
    viewport()->update();
}

void CMyEditCtrl::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    // Losing the focus ends a mouse drag as a button release would.
    if (dragging_)
        mouseReleaseEvent(nullptr);
    caretTimer_.stop();
    caretOn_ = false;
    viewport()->update();
}

void CMyEditCtrl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange && followSystemBackground_)
        m_painter.Colour(COLOUR_BACKGROUND) = palette().color(QPalette::Base);
    QAbstractScrollArea::changeEvent(event);
}

bool CMyEditCtrl::focusNextPrevChild(bool)
{
    return false;  // TAB is a character of the text
}

bool CMyEditCtrl::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // Editing keys belong to the control even when a window shortcut uses them.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::ShiftModifier) {
            if (!key->text().isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
                event->accept();
                return true;
            }
        }
    }
    return QAbstractScrollArea::event(event);
}

// ---------------------------------------------------------------------------
// Painting

void CMyEditCtrl::DrawRuler(QPainter& painter, const QRect& rect)
{
    m_painter.PaintRuler(painter, rect);
}

void CMyEditCtrl::DrawLineNumber(QPainter& painter, int row, const QRect& rect)
{
    m_painter.PaintLineNumber(painter, row, rect);
}

void CMyEditCtrl::SetPaintScale(qreal scale)
{
    if (scale <= 0 || scale == paintScale_)
        return;
    paintScale_ = scale;
    viewport()->update();
}

void CMyEditCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(metrics_.PaintFont());
    QRect update = event->rect();
    if (paintScale_ != 1.0) {
        // Repaints are asked for in unscaled pixels, which do not match the
        // window's: every paint draws all of it, and a partial one asks for
        // the whole window once more.
        painter.scale(paintScale_, paintScale_);
        update = QRect(QPoint(0, 0), (QSizeF(viewport()->size()) / paintScale_).toSize() + QSize(1, 1));
        if (event->rect() != viewport()->rect())
            viewport()->update();
    }
    if (update.intersects(m_layout.RulerRect())) {
        if (showRuler_) {
            DrawRuler(painter, m_layout.RulerRect());
        } else {
            painter.fillRect(m_layout.RulerRect(), m_painter.Colour(COLOUR_BACKGROUND));
            painter.fillRect(QRect(0, 0, m_layout.MarginRect().width(), m_layout.RulerRect().height()),
                             m_painter.Colour(COLOUR_NUMBER_BACKGROUND));
        }
    }
    painter.setClipRect(QRect(0, m_layout.TextRect().top(), viewport()->width(), m_layout.TextRect().height()));
    const int height = std::max(1, metrics_.RowHeight());
    const int first = std::max(m_layout.FirstRow(), m_layout.RowAt(update.top()));
    int y = m_layout.RowTop(first);
    int row = first;
    for (; row < m_document.Store().RowCount() && y <= update.bottom(); ++row, y += height)
        PaintRow(painter, row, QRect(0, y, viewport()->width(), height));
    if (y <= update.bottom())
        m_painter.PaintBelowText(painter, y, viewport()->rect());
    if ((caretOn_ && hasFocus()) || m_dragDrop.DropCaretShown()) {
        const Cell cell = m_dragDrop.DropCaretShown() ? m_dragDrop.DropCell() : m_selection.Caret();
        if (cell.row >= m_layout.FirstRow() && cell.row < m_layout.FirstRow() + VisibleRows() + 1)
            m_painter.PaintCaret(painter, cell);
    }
}

void CMyEditCtrl::PaintRow(QPainter& painter, int row, const QRect& rect)
{
    m_painter.PaintRow(painter, row, rect);
    const QRect& text = m_layout.TextRect();
    painter.setClipRect(QRect(0, text.top(), text.left(), text.height()));
    DrawLineNumber(painter, row, QRect(0, rect.top(), text.left(), rect.height()));
}

// ---------------------------------------------------------------------------
// Keyboard

bool CMyEditCtrl::IsDelimiter(char16_t unit) const
{
    return delimiters_.contains(QChar(unit));
}

TextPos CMyEditCtrl::WordLeft(TextPos from) const
{
    from = m_document.Store().Clamp(from);
    if (from.column == 0)
        return m_document.Store().Before(from);
    const auto text = m_document.Store().LineText(from.line);
    int c = from.column;
    while (c > 0 && IsBlank(text[c - 1]))
        --c;
    if (c > 0 && IsDelimiter(text[c - 1])) {
        while (c > 0 && IsDelimiter(text[c - 1]))
            --c;
    } else {
        while (c > 0 && !IsBlank(text[c - 1]) && !IsDelimiter(text[c - 1]))
            --c;
    }
    return {from.line, c};
}

TextPos CMyEditCtrl::WordRight(TextPos from) const
{
    from = m_document.Store().Clamp(from);
    const auto text = m_document.Store().LineText(from.line);
    const int length = static_cast<int>(text.size());
    if (from.column >= length)
        return m_document.Store().After(from);
    int c = from.column;
    if (IsDelimiter(text[c])) {
        while (c < length && IsDelimiter(text[c]))
            ++c;
    } else if (!IsBlank(text[c])) {
        while (c < length && !IsBlank(text[c]) && !IsDelimiter(text[c]))
            ++c;
    }
    while (c < length && IsBlank(text[c]))
        ++c;
    return {from.line, c};
}

TextPos CMyEditCtrl::WordStartAt(TextPos pos) const
{
    const auto text = m_document.Store().LineText(pos.line);
    int c = std::min(pos.column, static_cast<int>(text.size()));
    if (c < static_cast<int>(text.size()) && IsDelimiter(text[c]))
        return {pos.line, c};
    const bool blank = c < static_cast<int>(text.size()) && IsBlank(text[c]);
    while (c > 0 && IsBlank(text[c - 1]) == blank && !IsDelimiter(text[c - 1]))
        --c;
    return {pos.line, c};
}

TextPos CMyEditCtrl::WordEndAt(TextPos pos) const
{
    const auto text = m_document.Store().LineText(pos.line);
    const int length = static_cast<int>(text.size());
    int c = std::min(pos.column, length);
    if (c < length && IsDelimiter(text[c]))
        return {pos.line, c + 1};
    const bool blank = c < length && IsBlank(text[c]);
    while (c < length && IsBlank(text[c]) == blank && !IsDelimiter(text[c]))
        ++c;
    return {pos.line, c};
}

void CMyEditCtrl::MoveCaret(Cell to, bool extend, bool keepPreferredX)
{
    to.row = std::clamp(to.row, 0, m_document.Store().RowCount() - 1);
    to.column = std::clamp(to.column, 0, m_document.Store().Row(to.row).length);
    const TextPos anchor = HasSelection() && !m_selection.IsColumn() ? m_selection.Anchor() : PosOf(m_selection.Caret());
    if (!extend || m_selection.IsColumn())
        ClearSelection();
    m_selection.Caret().row = to.row;
    m_selection.Caret().column = to.column;
    if (!keepPreferredX)
        m_selection.PreferredX() = CaretX();
    if (extend)
        SetStreamSelection(anchor, PosOf(to));
    else
        m_selection.SetAnchor(PosOf(to));
    EnsureCaretVisible();
    RestartCaretBlink();
    viewport()->update();
}

void CMyEditCtrl::HandleNavigation(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const Cell caret{m_selection.Caret().row, m_selection.Caret().column};
    const RowEntry& row = m_document.Store().Row(m_selection.Caret().row);
    const int lastRow = m_document.Store().RowCount() - 1;
    switch (event->key()) {
    case Qt::Key_Left:
        if (HasSelection() && !shift)
            MoveCaret(CellOf(SelectionStart()), false);
        else if (ctrl)
            MoveCaret(CellOf(WordLeft(PosOf(caret))), shift);
        else if (m_selection.Caret().column > 0)
            MoveCaret({m_selection.Caret().row, m_selection.Caret().column - 1}, shift);
        else if (m_selection.Caret().row > 0)
            MoveCaret({m_selection.Caret().row - 1, m_document.Store().Row(m_selection.Caret().row - 1).length}, shift);
        break;
    case Qt::Key_Right:
        if (HasSelection() && !shift)
            MoveCaret(CellOf(SelectionEnd()), false);
        else if (ctrl)
            MoveCaret(CellOf(WordRight(PosOf(caret))), shift);
        else if (m_selection.Caret().column < row.length)
            MoveCaret({m_selection.Caret().row, m_selection.Caret().column + 1}, shift);
        else if (m_selection.Caret().row < lastRow)
            MoveCaret({m_selection.Caret().row + 1, 0}, shift);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        if (ctrl) {
            verticalScrollBar()->setValue(m_layout.FirstRow() + step);
            m_layout.SetFirstRow(verticalScrollBar()->value());
            const int visible = std::max(1, VisibleRows());
            const int target = std::clamp(m_selection.Caret().row, m_layout.FirstRow(), std::min(lastRow, m_layout.FirstRow() + visible - 1));
            if (target != m_selection.Caret().row)
                MoveCaret({target, metrics_.ColumnAtX(m_document.Store().Row(target), m_selection.PreferredX())}, shift, true);
            break;
        }
        const int target = std::clamp(m_selection.Caret().row + step, 0, lastRow);
        MoveCaret({target, metrics_.ColumnAtX(m_document.Store().Row(target), m_selection.PreferredX())}, shift, true);
        break;
    }
    case Qt::Key_Home:
        if (ctrl) {
            MoveCaret({0, 0}, shift);
        } else {
            int firstText = 0;
            while (firstText < row.length && IsBlank(row.text[firstText]))
                ++firstText;
            MoveCaret({m_selection.Caret().row, m_selection.Caret().column == firstText ? 0 : firstText}, shift);
        }
        break;
    case Qt::Key_End:
        if (ctrl)
            MoveCaret({lastRow, m_document.Store().Row(lastRow).length}, shift);
        else
            MoveCaret({m_selection.Caret().row, row.length}, shift);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const bool up = event->key() == Qt::Key_PageUp;
        if (!shift && HasSelection())
            MoveCaret(CellOf(up ? SelectionStart() : SelectionEnd()), false);
        const int page = std::max(1, VisibleRows() - 1);
        const int before = m_layout.FirstRow();
        verticalScrollBar()->setValue(m_layout.FirstRow() + (up ? -page : page));
        m_layout.SetFirstRow(verticalScrollBar()->value());
        const int scrolled = m_layout.FirstRow() - before;
        int target = scrolled != 0 ? m_selection.Caret().row + scrolled : (up ? 0 : lastRow);
        target = std::clamp(target, 0, lastRow);
        MoveCaret({target, metrics_.ColumnAtX(m_document.Store().Row(target), m_selection.PreferredX())}, shift, true);
        break;
    }
    default:
        break;
    }
}

void CMyEditCtrl::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    bool handled = true;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        HandleNavigation(event);
        break;
    case Qt::Key_Insert:
        overwriteMode_ = !overwriteMode_;
        break;
    case Qt::Key_Escape:
        ClearSelection();
        break;
    case Qt::Key_Backspace:
        BackspaceKey(ctrl);
        break;
    case Qt::Key_Delete:
        DeleteKey(ctrl);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EnterKey();
        break;
    case Qt::Key_Tab:
        if (!dragging_ && !ctrl)
            TabKey();
        break;
    case Qt::Key_Alt:
        UpdateCursorShape(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers());
        handled = false;
        break;
    default:
        handled = false;
        if (!ctrl && !dragging_ && IsPrintableOrBlank(event->text())) {
            TypeText(ToU16(event->text()));
            handled = true;
        }
        break;
    }
    if (handled) {
        dragging_ = false;
        event->accept();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void CMyEditCtrl::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt)
        UpdateCursorShape(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers());
    QAbstractScrollArea::keyReleaseEvent(event);
}

void CMyEditCtrl::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (!commit.isEmpty() && !dragging_)
        TypeText(ToU16(commit.left(260)));
    event->accept();
}

QVariant CMyEditCtrl::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle) {
        const int x = m_layout.TextRect().left() - m_layout.HorizontalOffset() + CaretX();
        return QRect(x, m_layout.RowTop(m_selection.Caret().row), 2, metrics_.RowHeight());
    }
    if (query == Qt::ImEnabled)
        return true;
    return QAbstractScrollArea::inputMethodQuery(query);
}

// ---------------------------------------------------------------------------
// Mouse

void CMyEditCtrl::UpdateCursorShape(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    if (!m_layout.TextRect().contains(pos)) {
        viewport()->setCursor(Qt::ArrowCursor);
        return;
    }
    const bool column = (modifiers & Qt::AltModifier || columnRequest_) && m_layout.WrapMode() == 0
                        && m_document.Store().TotalLength() > 0;
    viewport()->setCursor(column ? Qt::CrossCursor : Qt::IBeamCursor);
}

void CMyEditCtrl::mousePressEvent(QMouseEvent* event)
{
    pointerPlacing_ = true;
    PressAt(event);
    pointerPlacing_ = false;
}

void CMyEditCtrl::PressAt(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const bool columnRequest = columnRequest_;
    columnRequest_ = false;
    const Cell cell = m_layout.CellAt(pos);
    if (event->button() == Qt::RightButton) {
        if (!IsInSelection(PosOf(cell))) {
            ClearSelection();
            MoveCaret(cell, false);
        }
        ShowContextMenu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    mouseMode_ = 0;
    if (event->modifiers() & Qt::ShiftModifier) {
        MoveCaret(cell, true);
        dragging_ = true;
        return;
    }
    if (pos.x() < m_layout.TextRect().left() && pos.y() >= m_layout.TextRect().top()) {
        const TextPos start = PosOf({cell.row, 0});
        const TextPos end = cell.row + 1 < m_document.Store().RowCount() ? PosOf({cell.row + 1, 0})
                                                             : PosOf({cell.row, m_document.Store().Row(cell.row).length});
        ClearSelection();
        SetCaretLogical(end);
        SetStreamSelection(start, end);
        dragging_ = true;
        return;
    }
    if (HasSelection() && IsInSelection(PosOf(cell))) {
        // The drag starts once the pointer has moved a little.
        m_dragDrop.Press(pos);
        return;
    }
    if ((columnRequest || event->modifiers() & Qt::AltModifier) && m_layout.WrapMode() == 0 && m_document.Store().TotalLength() > 0) {
        ClearSelection();
        MoveCaret(cell, false);
        mouseMode_ = 2;
        const int x = metrics_.XOfColumn(m_document.Store().Row(cell.row), cell.column);
        columnOrigin_ = QPoint(x, cell.row);
        dragging_ = true;
        return;
    }
    MoveCaret(cell, false);
    dragging_ = true;
}

void CMyEditCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_dragDrop.Pending()) {
        if (m_dragDrop.FarEnough(pos)) {
            m_dragDrop.EndPending();
            StartDrag();
        }
        return;
    }
    if (!dragging_) {
        UpdateCursorShape(pos, event->modifiers());
        return;
    }
    const Cell cell = m_layout.CellAt(pos);
    if (mouseMode_ == 2) {
        const int x = std::max(0, pos.x() - m_layout.TextRect().left() + m_layout.HorizontalOffset());
        m_selection.Caret().row = cell.row;
        m_selection.Caret().column = cell.column;
        EnsureCaretVisible();
        // The block is shown as a live column selection while it is dragged.
        SetColumnSelection(columnOrigin_.y(), cell.row, columnOrigin_.x(), x);
        return;
    }
    if (mouseMode_ == 1) {
        const TextPos at = PosOf(cell);
        const TextPos start = WordStartAt(at);
        if (at < wordStart_) {
            m_selection.Caret().row = CellOf(start).row;
            m_selection.Caret().column = CellOf(start).column;
            SetStreamSelection(wordEnd_, start);
        } else {
            const TextPos end = WordEndAt(at);
            m_selection.Caret().row = CellOf(end).row;
            m_selection.Caret().column = CellOf(end).column;
            SetStreamSelection(wordStart_, end);
        }
        EnsureCaretVisible();
        return;
    }
    MoveCaret(cell, true);
}

void CMyEditCtrl::mouseReleaseEvent(QMouseEvent*)
{
    if (m_dragDrop.Pending()) {
        // A click inside the selection without a drag places the caret.
        m_dragDrop.EndPending();
        pointerPlacing_ = true;
        MoveCaret(m_layout.CellAt(m_dragDrop.PressPos()), false);
        pointerPlacing_ = false;
    }
    if (mouseMode_ == 1)
        mouseMode_ = 0;
    dragging_ = false;
    viewport()->update();
}

void CMyEditCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !m_layout.TextRect().contains(pos))
        return;
    const int row = m_layout.RowAt(pos.y());
    const RowEntry& entry = m_document.Store().Row(row);
    // The unit under the pointer, not the nearest boundary.
    const int x = pos.x() - m_layout.TextRect().left() + m_layout.HorizontalOffset();
    int column = metrics_.ColumnAtX(entry, x);
    if (column > 0 && metrics_.XOfColumn(entry, column) > x)
        --column;
    const TextPos at = PosOf({row, column});
    wordStart_ = WordStartAt(at);
    wordEnd_ = WordEndAt(at);
    SetCaretLogical(wordEnd_);
    SetStreamSelection(wordStart_, wordEnd_);
    mouseMode_ = 1;
    dragging_ = true;
}

void CMyEditCtrl::wheelEvent(QWheelEvent* event)
{
    const int lines = std::max(1, QApplication::wheelScrollLines());
    const QPoint delta = event->angleDelta();
    if (delta.y() != 0)
        verticalScrollBar()->setValue(m_layout.FirstRow() + (delta.y() > 0 ? -lines : lines));
    else if (delta.x() != 0)
        horizontalScrollBar()->setValue(m_layout.FirstColumn() + (delta.x() > 0 ? -lines : lines));
    event->accept();
}

// ---------------------------------------------------------------------------
// Drag and drop

QMimeData* CMyEditCtrl::CreateDragMimeData() const
{
    return m_dragDrop.CreateDragMimeData(SelectedText(), IsColumnSelection());
}

void CMyEditCtrl::StartDrag()
{
    QMimeData* data = CreateDragMimeData();
    if (data->hasFormat(kColumnBlockMime))
        m_dragDrop.RememberBlock(data);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    m_dragDrop.BeginDrag();
    const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (m_dragDrop.DroppedOnSelf())
        return;
    if (result == Qt::MoveAction && !readOnly_) {
        auto action = m_document.Action(ACTION_DROP_MOVE);
        DeleteSelection();
        AfterEdit();
    } else {
        ClearSelection();
    }
}

void CMyEditCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    m_dragDrop.ShowDropCaret();
    event->acceptProposedAction();
}

void CMyEditCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    m_dragDrop.ShowDropCaret(m_layout.CellAt(event->position().toPoint()));
    event->setDropAction(event->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
    viewport()->update();
}

void CMyEditCtrl::dragLeaveEvent(QDragLeaveEvent*)
{
    m_dragDrop.HideDropCaret();
    viewport()->update();
}

void CMyEditCtrl::dropEvent(QDropEvent* event)
{
    m_dragDrop.HideDropCaret();
    const bool copy = event->modifiers() & Qt::ControlModifier;
    const TextPos at = PosOf(m_layout.CellAt(event->position().toPoint()));
    if (DropText(event->mimeData(), at, copy)) {
        event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
    viewport()->update();
}

// A drop from this control's own drag moves (or copies) the selection; the
// target is taken as it will be once the moved text is gone.
bool CMyEditCtrl::DropText(const QMimeData* data, TextPos at, bool copy)
{
    const bool fromSelf = m_dragDrop.IsFromSelf(data);
    if (fromSelf) {
        m_dragDrop.MarkDroppedOnSelf();
        if (IsInSelection(at))
            return true;
    }
    if (RefuseIfReadOnly())
        return false;
    const bool block = fromSelf && m_dragDrop.IsOwnColumnBlock(data) && m_layout.WrapMode() == 0;
    const std::u16string text = fromSelf ? EditDragDrop::PlainText(data) : EditDragDrop::ForeignText(data);
    auto action = m_document.Action(copy ? ACTION_DROP_COPY : ACTION_DROP_MOVE);
    const int blockX = block ? metrics_.XOfColumn(m_document.Store().Row(CellOf(at).row), CellOf(at).column) : 0;
    if (fromSelf && !copy && HasSelection()) {
        if (!m_selection.IsColumn()) {
            at = EditDragDrop::MoveTarget(at, SelectionStart(), SelectionEnd());
        } else {
            const Cell cell = CellOf(at);
            int selStart = 0;
            int selEnd = 0;
            if (m_selection.RowSpan(m_document.Store(), metrics_, cell.row, selStart, selEnd) && cell.column > selEnd)
                at.column -= selEnd - selStart;
        }
        DeleteSelection();
    } else {
        ClearSelection();
    }
    if (block) {
        m_selection.Caret() = CellOf(at);
        InsertAsColumnBlock(text, blockX, at.line);
    } else {
        SetCaretLogical(InsertAt(at, text));
    }
    AfterEdit();
    return true;
}

} // namespace kdx

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
#include <optional>

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
    const Cell cell = m_model.CellOf({line, column});
    return {m_layout.XOf(cell), m_layout.RowTop(cell.row)};
}

QRect CMyEditCtrl::CaretRect() const
{
    const int x = m_layout.TextRect().left() - m_layout.HorizontalOffset() + m_model.CaretX();
    return QRect(x - 1, m_layout.RowTop(CaretRow()), 4, Metrics().RowHeight());
}

void CMyEditCtrl::UpdateScrollBars()
{
    const int visible = VisibleRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(std::max(1, visible - 1));
    vertical->setSingleStep(1);
    vertical->setRange(0, std::max(0, Store().RowCount() - std::max(1, visible) + 1));
    const int page = m_layout.TextRect().width() / std::max(1, Metrics().AverageWidth());
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
    const bool clickedInView = m_mouse.pointerPlacing && CaretRow() >= m_layout.FirstRow()
                               && m_layout.RowTop(CaretRow()) < m_layout.TextRect().top() + m_layout.TextRect().height();
    if (!clickedInView && (CaretRow() < m_layout.FirstRow() || CaretRow() >= m_layout.FirstRow() + visible))
        row = centre ? CaretRow() - visible / 2 : (CaretRow() < m_layout.FirstRow() ? CaretRow() : CaretRow() - visible + 1);
    const int width = std::max(1, m_layout.TextRect().width());
    const int average = std::max(1, Metrics().AverageWidth());
    const int x = m_model.CaretX();
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
    if (Store().RewrapPending()) {
        // Scrolled ahead of the background wrap: the rows now on screen are
        // wrapped at once, keeping the text at the top where it is.
        const ViewAnchor view = SaveView();
        m_model.ClearRowSelection();
        m_model.Document().RewrapLines(view.top.line, view.top.line + std::max(1, VisibleRows()) + 1);
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

int CMyEditCtrl::ScrollTo(int row)
{
    verticalScrollBar()->setValue(row);
    m_layout.SetFirstRow(verticalScrollBar()->value());
    return m_layout.FirstRow();
}

void CMyEditCtrl::CaretMoved()
{
    EnsureCaretVisible();
    RestartCaretBlink();
    viewport()->update();
}

void CMyEditCtrl::RepaintAll()
{
    viewport()->update();
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
    if (m_mouse.dragging)
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

void CMyEditCtrl::SetPaintScale(const ViewScale& scale, const QPoint& origin)
{
    if (scale.Percent() == m_paintScale.Percent() && origin == m_paintOrigin)
        return;
    m_paintScale = scale;
    m_paintOrigin = origin;
    viewport()->update();
}

void CMyEditCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (m_paintScale.IsOneToOne()) {
        PaintContent(painter, event->rect(), viewport()->rect());
        return;
    }
    // The control is drawn at its own size and its pixels mapped as the
    // page's are, so that its text stands on the page's pixels at any zoom.
    // Every paint draws all of it: repaints are asked in unscaled pixels.
    const QRect screen(m_paintScale.ToScreen(m_paintOrigin), viewport()->size());
    const QRect covered = m_paintScale.PageCovering(screen);
    QImage unscaled(covered.size(), QImage::Format_ARGB32_Premultiplied);
    unscaled.fill(Qt::transparent);
    {
        QPainter own(&unscaled);
        own.translate(m_paintOrigin - covered.topLeft());
        const QRect area(QPoint(0, 0), covered.size());
        PaintContent(own, area, area);
    }
    painter.drawImage(0, 0, m_paintScale.ScaleImage(unscaled, covered.topLeft(), screen));
    if (event->rect() != viewport()->rect())
        viewport()->update();
}

void CMyEditCtrl::PaintContent(QPainter& painter, const QRect& update, const QRect& area)
{
    painter.setFont(Metrics().PaintFont());
    if (update.intersects(m_layout.RulerRect())) {
        if (showRuler_) {
            DrawRuler(painter, m_layout.RulerRect());
        } else {
            painter.fillRect(m_layout.RulerRect(), m_painter.Colour(COLOUR_BACKGROUND));
            painter.fillRect(QRect(0, 0, m_layout.MarginRect().width(), m_layout.RulerRect().height()),
                             m_painter.Colour(COLOUR_NUMBER_BACKGROUND));
        }
    }
    const QRect rows(0, m_layout.TextRect().top(), area.width(), m_layout.TextRect().height());
    painter.setClipRect(rows);
    const int height = std::max(1, Metrics().RowHeight());
    const int first = std::max(m_layout.FirstRow(), m_layout.RowAt(update.top()));
    int y = m_layout.RowTop(first);
    int row = first;
    for (; row < Store().RowCount() && y <= update.bottom(); ++row, y += height)
        PaintRow(painter, row, QRect(0, y, area.width(), height));
    // A row leaves the clip at its line number's margin.
    painter.setClipRect(rows);
    if (y <= update.bottom())
        m_painter.PaintBelowText(painter, y, area);
    if ((caretOn_ && hasFocus()) || m_dragDrop.DropCaretShown()) {
        const Cell cell = m_dragDrop.DropCaretShown() ? m_dragDrop.DropCell() : m_model.Selection().Caret();
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

void CMyEditCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt)
        UpdateCursorShape(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const std::optional<EditCommand> command = FindEditKey(event->key(), event->modifiers());
    // While the mouse drags a selection, TAB and typed text are ignored.
    bool handled = true;
    if (command && !(m_mouse.dragging && *command == EditCommand::Tab))
        RunCommand(*command);
    else if (!command && !ctrl && !m_mouse.dragging && IsPrintableOrBlank(event->text()))
        m_model.TypeText(ToU16(event->text()));
    else
        handled = command.has_value();
    if (handled) {
        m_mouse.dragging = false;
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
    if (!commit.isEmpty() && !m_mouse.dragging)
        m_model.TypeText(ToU16(commit.left(260)));
    event->accept();
}

QVariant CMyEditCtrl::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle) {
        const int x = m_layout.TextRect().left() - m_layout.HorizontalOffset() + m_model.CaretX();
        return QRect(x, m_layout.RowTop(CaretRow()), 2, Metrics().RowHeight());
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
    const bool column = (modifiers & Qt::AltModifier || m_mouse.columnRequest) && m_layout.WrapMode() == 0
                        && Store().TotalLength() > 0;
    viewport()->setCursor(column ? Qt::CrossCursor : Qt::IBeamCursor);
}

void CMyEditCtrl::mousePressEvent(QMouseEvent* event)
{
    m_mouse.pointerPlacing = true;
    PressAt(event);
    m_mouse.pointerPlacing = false;
}

void CMyEditCtrl::PressAt(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const bool columnRequest = m_mouse.columnRequest;
    m_mouse.columnRequest = false;
    const Cell cell = m_layout.CellAt(pos);
    if (event->button() == Qt::RightButton) {
        if (!m_model.IsInSelection(m_model.PosOf(cell))) {
            ClearSelection();
            m_model.MoveCaret(cell, false);
        }
        ShowContextMenu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_mouse.mode = MouseMode::Stream;
    if (event->modifiers() & Qt::ShiftModifier) {
        m_model.MoveCaret(cell, true);
        m_mouse.dragging = true;
        return;
    }
    if (pos.x() < m_layout.TextRect().left() && pos.y() >= m_layout.TextRect().top()) {
        const TextPos start = m_model.PosOf({cell.row, 0});
        const TextPos end = cell.row + 1 < Store().RowCount() ? m_model.PosOf({cell.row + 1, 0})
                                                             : m_model.PosOf({cell.row, Store().Row(cell.row).length});
        ClearSelection();
        m_model.SetCaretLogical(end);
        m_model.SetStreamSelection(start, end);
        m_mouse.dragging = true;
        return;
    }
    if (HasSelection() && m_model.IsInSelection(m_model.PosOf(cell))) {
        // The drag starts once the pointer has moved a little.
        m_dragDrop.Press(pos);
        return;
    }
    if ((columnRequest || event->modifiers() & Qt::AltModifier) && m_layout.WrapMode() == 0 && Store().TotalLength() > 0) {
        ClearSelection();
        m_model.MoveCaret(cell, false);
        m_mouse.mode = MouseMode::Column;
        const int x = Metrics().XOfColumn(Store().Row(cell.row), cell.column);
        m_mouse.columnOrigin = QPoint(x, cell.row);
        m_mouse.dragging = true;
        return;
    }
    m_model.MoveCaret(cell, false);
    m_mouse.dragging = true;
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
    if (!m_mouse.dragging) {
        UpdateCursorShape(pos, event->modifiers());
        return;
    }
    const Cell cell = m_layout.CellAt(pos);
    if (m_mouse.mode == MouseMode::Column) {
        const int x = std::max(0, pos.x() - m_layout.TextRect().left() + m_layout.HorizontalOffset());
        m_model.Selection().Caret() = cell;
        EnsureCaretVisible();
        // The block is shown as a live column selection while it is dragged.
        m_model.SetColumnSelection(m_mouse.columnOrigin.y(), cell.row, m_mouse.columnOrigin.x(), x);
        return;
    }
    if (m_mouse.mode == MouseMode::Words) {
        m_model.SelectWordsTo(m_model.PosOf(cell), m_mouse.wordStart, m_mouse.wordEnd);
        EnsureCaretVisible();
        return;
    }
    m_model.MoveCaret(cell, true);
}

void CMyEditCtrl::mouseReleaseEvent(QMouseEvent*)
{
    if (m_dragDrop.Pending()) {
        // A click inside the selection without a drag places the caret.
        m_dragDrop.EndPending();
        m_mouse.pointerPlacing = true;
        m_model.MoveCaret(m_layout.CellAt(m_dragDrop.PressPos()), false);
        m_mouse.pointerPlacing = false;
    }
    if (m_mouse.mode == MouseMode::Words)
        m_mouse.mode = MouseMode::Stream;
    m_mouse.dragging = false;
    viewport()->update();
}

void CMyEditCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !m_layout.TextRect().contains(pos))
        return;
    const int row = m_layout.RowAt(pos.y());
    const RowEntry& entry = Store().Row(row);
    // The unit under the pointer, not the nearest boundary.
    const int x = pos.x() - m_layout.TextRect().left() + m_layout.HorizontalOffset();
    int column = Metrics().ColumnAtX(entry, x);
    if (column > 0 && Metrics().XOfColumn(entry, column) > x)
        --column;
    const TextPos at = m_model.PosOf({row, column});
    m_mouse.wordStart = m_model.WordStartAt(at);
    m_mouse.wordEnd = m_model.WordEndAt(at);
    m_model.SetCaretLogical(m_mouse.wordEnd);
    m_model.SetStreamSelection(m_mouse.wordStart, m_mouse.wordEnd);
    m_mouse.mode = MouseMode::Words;
    m_mouse.dragging = true;
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
        m_model.DeleteMovedSelection();
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
    const TextPos at = m_model.PosOf(m_layout.CellAt(event->position().toPoint()));
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
        if (m_model.IsInSelection(at))
            return true;
    }
    if (RefuseIfReadOnly())
        return false;
    const bool block = fromSelf && m_dragDrop.IsOwnColumnBlock(data) && m_layout.WrapMode() == 0;
    const std::u16string text = fromSelf ? EditDragDrop::PlainText(data) : EditDragDrop::ForeignText(data);
    m_model.DropText(text, at, copy, fromSelf, block);
    return true;
}

} // namespace kdx

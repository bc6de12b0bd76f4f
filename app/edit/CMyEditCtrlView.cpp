// Display and input of CMyEditCtrl: geometry, painting, caret, keyboard,
// mouse, scrolling and drag and drop.
#include "app/edit/CMyEditCtrl.h"

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
#include <unistd.h>

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
    return textRect_.height() / std::max(1, metrics_.RowHeight());
}

int CMyEditCtrl::HorizontalOffset() const
{
    return firstColumn_ * metrics_.AverageWidth();
}

int CMyEditCtrl::RowTop(int row) const
{
    return textRect_.top() + (row - firstRow_) * metrics_.RowHeight();
}

int CMyEditCtrl::RowAt(int y) const
{
    const int height = std::max(1, metrics_.RowHeight());
    const int offset = y - textRect_.top();
    const int row = firstRow_ + (offset >= 0 ? offset / height : -((-offset + height - 1) / height));
    return std::clamp(row, 0, store_.RowCount() - 1);
}

CMyEditCtrl::Cell CMyEditCtrl::CellAt(const QPoint& pos) const
{
    Cell cell;
    cell.row = RowAt(pos.y());
    cell.column = metrics_.ColumnAtX(store_.Row(cell.row), pos.x() - textRect_.left() + HorizontalOffset());
    return cell;
}

QPoint CMyEditCtrl::PointOf(int line, int column) const
{
    const Cell cell = CellOf({line, column});
    return {textRect_.left() - HorizontalOffset() + metrics_.XOfColumn(store_.Row(cell.row), cell.column),
            RowTop(cell.row)};
}

QRect CMyEditCtrl::CaretRect() const
{
    const int x = textRect_.left() - HorizontalOffset() + CaretX();
    return QRect(x - 1, RowTop(caretRow_), 4, metrics_.RowHeight());
}

int CMyEditCtrl::CaretX() const
{
    return metrics_.XOfColumn(store_.Row(caretRow_), caretColumn_);
}

void CMyEditCtrl::SetCaretLogical(TextPos pos, bool keepPreferredX)
{
    const Cell cell = CellOf(store_.Clamp(pos));
    caretRow_ = cell.row;
    caretColumn_ = cell.column;
    if (!keepPreferredX)
        preferredX_ = CaretX();
    if (!HasSelection())
        anchor_ = PosOf(cell);
}

void CMyEditCtrl::UpdateScrollBars()
{
    const int visible = VisibleRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(std::max(1, visible - 1));
    vertical->setSingleStep(1);
    vertical->setRange(0, std::max(0, store_.RowCount() - std::max(1, visible) + 1));
    const int page = textRect_.width() / std::max(1, metrics_.AverageWidth());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(std::max(1, std::min(page, 8193)));
    horizontal->setSingleStep(1);
    horizontal->setRange(0, std::max(0, 8192 - page));
    firstRow_ = vertical->value();
    firstColumn_ = horizontal->value();
}

void CMyEditCtrl::EnsureCaretVisible(bool centre)
{
    const int visible = std::max(1, VisibleRows());
    int row = firstRow_;
    // A row clicked at the bottom edge is where the pointer is: scrolling it
    // into full view would move the text under a following double-click.
    const bool clickedInView = pointerPlacing_ && caretRow_ >= firstRow_
                               && RowTop(caretRow_) < textRect_.top() + textRect_.height();
    if (!clickedInView && (caretRow_ < firstRow_ || caretRow_ >= firstRow_ + visible))
        row = centre ? caretRow_ - visible / 2 : (caretRow_ < firstRow_ ? caretRow_ : caretRow_ - visible + 1);
    const int width = std::max(1, textRect_.width());
    const int average = std::max(1, metrics_.AverageWidth());
    const int x = CaretX();
    int column = firstColumn_;
    if (x < HorizontalOffset() || x >= HorizontalOffset() + width)
        column = (x - (centre ? width / 2 : width / 4)) / average;
    verticalScrollBar()->setValue(std::max(0, row));
    horizontalScrollBar()->setValue(std::max(0, column));
    firstRow_ = verticalScrollBar()->value();
    firstColumn_ = horizontalScrollBar()->value();
}

void CMyEditCtrl::scrollContentsBy(int, int)
{
    firstRow_ = verticalScrollBar()->value();
    firstColumn_ = horizontalScrollBar()->value();
    if (store_.RewrapPending()) {
        // Scrolled ahead of the background wrap: the rows now on screen are
        // wrapped at once, keeping the text at the top where it is.
        const ViewAnchor view = SaveView();
        ClearRowSelection();
        store_.RewrapLines(view.top.line, view.top.line + std::max(1, VisibleRows()) + 1);
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
    if (wrapPending_)
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
        colours_[COLOUR_BACKGROUND] = palette().color(QPalette::Base);
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
    painter.fillRect(rect, colours_[COLOUR_RULER_BACKGROUND]);
    painter.setPen(colours_[COLOUR_RULER_MARKS]);
    const int pitch = std::max(1, metrics_.AverageWidth());
    const int tickTop = rect.top() + rect.height() * 2 / 3;
    const int bottom = rect.bottom();
    QFont small = metrics_.Font();
    painter.setFont(small);
    for (int column = firstColumn_;; ++column) {
        const int x = textRect_.left() + (column - firstColumn_) * pitch;
        if (x > rect.right())
            break;
        if (column % 10 == 0) {
            painter.drawLine(x, tickTop - 2, x, bottom);
            painter.drawText(QRect(x + 2, rect.top(), pitch * 10, tickTop - rect.top() + metrics_.Ascent()),
                             Qt::AlignLeft | Qt::AlignTop, QString::number(column / 10 + 1));
        } else {
            painter.drawLine(x, tickTop, x, bottom);
        }
    }
    painter.fillRect(QRect(rect.left(), rect.top(), marginRect_.width(), rect.height()),
                     colours_[COLOUR_RULER_BACKGROUND]);
    painter.drawLine(rect.left(), bottom, rect.right(), bottom);
}

void CMyEditCtrl::DrawLineNumber(QPainter& painter, int row, const QRect& rect)
{
    const QRect field(rect.left(), rect.top(), numberWidth_, rect.height());
    painter.fillRect(field, colours_[COLOUR_NUMBER_BACKGROUND]);
    painter.fillRect(QRect(field.right() + 1, rect.top(), rect.width() - numberWidth_, rect.height()),
                     colours_[COLOUR_BACKGROUND]);
    if (numberWidth_ == 0 || store_.Row(row).IsContinuation())
        return;
    painter.setPen(colours_[COLOUR_LINE_NUMBERS]);
    painter.drawText(field.adjusted(0, metrics_.LineSpacing() / 2, -2, 0), Qt::AlignRight | Qt::AlignTop,
                     QString::number(store_.LineOfRow(row) + 1));
}

void CMyEditCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(metrics_.PaintFont());
    const QRect update = event->rect();
    if (update.intersects(rulerRect_)) {
        if (showRuler_) {
            DrawRuler(painter, rulerRect_);
        } else {
            painter.fillRect(rulerRect_, colours_[COLOUR_BACKGROUND]);
            painter.fillRect(QRect(0, 0, marginRect_.width(), rulerRect_.height()),
                             colours_[COLOUR_NUMBER_BACKGROUND]);
        }
    }
    painter.setClipRect(QRect(0, textRect_.top(), viewport()->width(), textRect_.height()));
    const int height = std::max(1, metrics_.RowHeight());
    const int first = std::max(firstRow_, RowAt(update.top()));
    int y = RowTop(first);
    int row = first;
    for (; row < store_.RowCount() && y <= update.bottom(); ++row, y += height)
        PaintRow(painter, row, QRect(0, y, viewport()->width(), height));
    if (y <= update.bottom()) {
        const int margin = textRect_.left();
        painter.fillRect(QRect(0, y, margin, viewport()->height() - y), colours_[COLOUR_NUMBER_BACKGROUND]);
        painter.fillRect(QRect(margin, y, viewport()->width() - margin, viewport()->height() - y),
                         colours_[COLOUR_BACKGROUND]);
    }
    // The caret: 2 pixels wide, font height high, lineSpacing / 2 below the row top.
    if ((caretOn_ && hasFocus()) || dropCaret_) {
        const Cell cell = dropCaret_ ? dropCell_ : Cell{caretRow_, caretColumn_};
        if (cell.row >= firstRow_ && cell.row < firstRow_ + VisibleRows() + 1) {
            const int x = textRect_.left() - HorizontalOffset()
                          + metrics_.XOfColumn(store_.Row(cell.row), cell.column);
            painter.setClipRect(textRect_);
            painter.fillRect(QRect(x, RowTop(cell.row) + metrics_.LineSpacing() / 2, 2, metrics_.FontHeight()),
                             colours_[COLOUR_TEXT]);
        }
    }
}

void CMyEditCtrl::PaintRow(QPainter& painter, int row, const QRect& rect)
{
    const RowEntry& entry = store_.Row(row);
    const bool bookmarked = store_.Row(store_.FirstRowOf(row)).flags & ROW_BOOKMARK;
    const bool current = row == caretRow_;
    QColor background = colours_[COLOUR_BACKGROUND];
    if (current && highlightCurrentLine_)
        background = colours_[COLOUR_CURRENT_ROW];
    else if (!current && bookmarked)
        background = colours_[COLOUR_BOOKMARK];
    const QRect textPart(textRect_.left(), rect.top(), rect.width() - textRect_.left(), rect.height());
    painter.setClipRect(textPart.intersected(QRect(0, textRect_.top(), rect.width(), textRect_.height())));
    painter.fillRect(textPart, background);
    if (current && bookmarked) {
        painter.setPen(colours_[COLOUR_BOOKMARK]);
        painter.drawLine(textPart.left(), rect.top(), textPart.right(), rect.top());
        painter.drawLine(textPart.left(), rect.bottom(), textPart.right(), rect.bottom());
    }

    const int x0 = textRect_.left() - HorizontalOffset();
    const int top = rect.top() + metrics_.LineSpacing() / 2;
    const int baseline = top + metrics_.Ascent();
    // Selection background.
    QRect selection;
    if (entry.selStart >= 0 && entry.selEnd >= 0) {
        const int left = x0 + metrics_.XOfColumn(entry, entry.selStart);
        int right = x0 + metrics_.XOfColumn(entry, std::min(entry.selEnd, entry.length));
        if (entry.selEnd > entry.length)
            right += metrics_.LineEndWidth();
        if (selMode_ == 2)
            right = std::max(right, x0 + columnRightX_);
        selection = QRect(left, rect.top(), right - left, rect.height());
        painter.fillRect(selection, colours_[COLOUR_SELECTION]);
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
                x += metrics_.AdvanceOf(unit, visual);
                visual += metrics_.ColumnsOf(unit, visual);
                ++i;
                continue;
            }
            int j = i;
            int width = 0;
            while (j < entry.length && entry.text[j] != u'\t' && entry.text[j] >= 0x20) {
                width += metrics_.UnitWidth(entry.text[j]);
                ++j;
            }
            if (x + width >= textRect_.left())
                painter.drawText(QPoint(x, baseline),
                                 QString::fromUtf16(entry.text + i, j - i));
            x += width;
            visual += j - i;
            i = j;
            if (x > rect.right())
                break;
        }
    };
    const QRect clip = textPart.intersected(QRect(0, textRect_.top(), rect.width(), textRect_.height()));
    if (selection.isNull()) {
        drawRuns(colours_[COLOUR_TEXT]);
    } else {
        QRegion outside = QRegion(clip).subtracted(QRegion(selection));
        painter.setClipRegion(outside);
        drawRuns(colours_[COLOUR_TEXT]);
        painter.setClipRect(selection.intersected(clip));
        drawRuns(colours_[COLOUR_SELECTED_TEXT]);
        painter.setClipRect(clip);
    }
    if (showSpacesAndTabs_)
        PaintWhitespace(painter, entry, x0, top);
    if (showLineEnds_)
        PaintLineEnd(painter, row, x0 + metrics_.XOfColumn(entry, entry.length), top);

    painter.setClipRect(QRect(0, textRect_.top(), textRect_.left(), textRect_.height()));
    DrawLineNumber(painter, row, QRect(0, rect.top(), textRect_.left(), rect.height()));
}

void CMyEditCtrl::PaintWhitespace(QPainter& painter, const RowEntry& entry, int x0, int top)
{
    painter.setPen(colours_[COLOUR_WHITESPACE]);
    const int middle = top + metrics_.FontHeight() / 2;
    const int bar = std::max(2, metrics_.FontHeight() / 4);
    int x = x0;
    int visual = entry.startColumn;
    for (int i = 0; i < entry.length; ++i) {
        const char16_t unit = entry.text[i];
        const int advance = metrics_.AdvanceOf(unit, visual);
        if (x > textRect_.right())
            break;
        if (unit == u'\t' && advance > 2) {
            painter.drawLine(x + 1, middle, x + advance - 2, middle);
            painter.drawLine(x + advance - 2, middle - bar, x + advance - 2, middle + bar);
        } else if (unit == u' ') {
            painter.drawLine(x + advance / 3, middle, x + std::max(advance / 3, advance * 2 / 3 - 1), middle);
        }
        x += advance;
        visual += metrics_.ColumnsOf(unit, visual);
    }
}

void CMyEditCtrl::PaintLineEnd(QPainter& painter, int row, int x, int top)
{
    const RowEntry& entry = store_.Row(row);
    const bool last = row == store_.RowCount() - 1;
    if (!(entry.flags & ROW_LINE_BREAK) && !last)
        return;
    const bool selected = entry.selEnd > entry.length;
    painter.setPen(selected ? colours_[COLOUR_SELECTED_TEXT] : colours_[COLOUR_WHITESPACE]);
    const int width = metrics_.LineEndWidth();
    const int height = metrics_.FontHeight();
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

// ---------------------------------------------------------------------------
// Keyboard

bool CMyEditCtrl::IsDelimiter(char16_t unit) const
{
    return delimiters_.contains(QChar(unit));
}

TextPos CMyEditCtrl::WordLeft(TextPos from) const
{
    from = store_.Clamp(from);
    if (from.column == 0)
        return store_.Before(from);
    const auto text = store_.LineText(from.line);
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
    from = store_.Clamp(from);
    const auto text = store_.LineText(from.line);
    const int length = static_cast<int>(text.size());
    if (from.column >= length)
        return store_.After(from);
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
    const auto text = store_.LineText(pos.line);
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
    const auto text = store_.LineText(pos.line);
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
    to.row = std::clamp(to.row, 0, store_.RowCount() - 1);
    to.column = std::clamp(to.column, 0, store_.Row(to.row).length);
    const TextPos anchor = HasSelection() && selMode_ != 2 ? anchor_ : PosOf({caretRow_, caretColumn_});
    if (!extend || selMode_ == 2)
        ClearSelection();
    caretRow_ = to.row;
    caretColumn_ = to.column;
    if (!keepPreferredX)
        preferredX_ = CaretX();
    if (extend)
        SetStreamSelection(anchor, PosOf(to));
    else
        anchor_ = PosOf(to);
    EnsureCaretVisible();
    RestartCaretBlink();
    viewport()->update();
}

void CMyEditCtrl::HandleNavigation(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const Cell caret{caretRow_, caretColumn_};
    const RowEntry& row = store_.Row(caretRow_);
    const int lastRow = store_.RowCount() - 1;
    switch (event->key()) {
    case Qt::Key_Left:
        if (HasSelection() && !shift)
            MoveCaret(CellOf(SelectionStart()), false);
        else if (ctrl)
            MoveCaret(CellOf(WordLeft(PosOf(caret))), shift);
        else if (caretColumn_ > 0)
            MoveCaret({caretRow_, caretColumn_ - 1}, shift);
        else if (caretRow_ > 0)
            MoveCaret({caretRow_ - 1, store_.Row(caretRow_ - 1).length}, shift);
        break;
    case Qt::Key_Right:
        if (HasSelection() && !shift)
            MoveCaret(CellOf(SelectionEnd()), false);
        else if (ctrl)
            MoveCaret(CellOf(WordRight(PosOf(caret))), shift);
        else if (caretColumn_ < row.length)
            MoveCaret({caretRow_, caretColumn_ + 1}, shift);
        else if (caretRow_ < lastRow)
            MoveCaret({caretRow_ + 1, 0}, shift);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        if (ctrl) {
            verticalScrollBar()->setValue(firstRow_ + step);
            firstRow_ = verticalScrollBar()->value();
            const int visible = std::max(1, VisibleRows());
            const int target = std::clamp(caretRow_, firstRow_, std::min(lastRow, firstRow_ + visible - 1));
            if (target != caretRow_)
                MoveCaret({target, metrics_.ColumnAtX(store_.Row(target), preferredX_)}, shift, true);
            break;
        }
        const int target = std::clamp(caretRow_ + step, 0, lastRow);
        MoveCaret({target, metrics_.ColumnAtX(store_.Row(target), preferredX_)}, shift, true);
        break;
    }
    case Qt::Key_Home:
        if (ctrl) {
            MoveCaret({0, 0}, shift);
        } else {
            int firstText = 0;
            while (firstText < row.length && IsBlank(row.text[firstText]))
                ++firstText;
            MoveCaret({caretRow_, caretColumn_ == firstText ? 0 : firstText}, shift);
        }
        break;
    case Qt::Key_End:
        if (ctrl)
            MoveCaret({lastRow, store_.Row(lastRow).length}, shift);
        else
            MoveCaret({caretRow_, row.length}, shift);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const bool up = event->key() == Qt::Key_PageUp;
        if (!shift && HasSelection())
            MoveCaret(CellOf(up ? SelectionStart() : SelectionEnd()), false);
        const int page = std::max(1, VisibleRows() - 1);
        const int before = firstRow_;
        verticalScrollBar()->setValue(firstRow_ + (up ? -page : page));
        firstRow_ = verticalScrollBar()->value();
        const int scrolled = firstRow_ - before;
        int target = scrolled != 0 ? caretRow_ + scrolled : (up ? 0 : lastRow);
        target = std::clamp(target, 0, lastRow);
        MoveCaret({target, metrics_.ColumnAtX(store_.Row(target), preferredX_)}, shift, true);
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
        const int x = textRect_.left() - HorizontalOffset() + CaretX();
        return QRect(x, RowTop(caretRow_), 2, metrics_.RowHeight());
    }
    if (query == Qt::ImEnabled)
        return true;
    return QAbstractScrollArea::inputMethodQuery(query);
}

// ---------------------------------------------------------------------------
// Mouse

void CMyEditCtrl::UpdateCursorShape(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    if (!textRect_.contains(pos)) {
        viewport()->setCursor(Qt::ArrowCursor);
        return;
    }
    const bool column = (modifiers & Qt::AltModifier || columnRequest_) && wrapMode_ == 0
                        && store_.TotalLength() > 0;
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
    const Cell cell = CellAt(pos);
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
    if (pos.x() < textRect_.left() && pos.y() >= textRect_.top()) {
        const TextPos start = PosOf({cell.row, 0});
        const TextPos end = cell.row + 1 < store_.RowCount() ? PosOf({cell.row + 1, 0})
                                                             : PosOf({cell.row, store_.Row(cell.row).length});
        ClearSelection();
        SetCaretLogical(end);
        SetStreamSelection(start, end);
        dragging_ = true;
        return;
    }
    if (HasSelection() && IsInSelection(PosOf(cell))) {
        // The drag starts once the pointer has moved a little.
        dragPending_ = true;
        pressPos_ = pos;
        return;
    }
    if ((columnRequest || event->modifiers() & Qt::AltModifier) && wrapMode_ == 0 && store_.TotalLength() > 0) {
        ClearSelection();
        MoveCaret(cell, false);
        mouseMode_ = 2;
        const int x = metrics_.XOfColumn(store_.Row(cell.row), cell.column);
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
    if (dragPending_) {
        if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
            dragPending_ = false;
            StartDrag();
        }
        return;
    }
    if (!dragging_) {
        UpdateCursorShape(pos, event->modifiers());
        return;
    }
    const Cell cell = CellAt(pos);
    if (mouseMode_ == 2) {
        const int x = std::max(0, pos.x() - textRect_.left() + HorizontalOffset());
        caretRow_ = cell.row;
        caretColumn_ = cell.column;
        EnsureCaretVisible();
        // The block is shown as a live column selection while it is dragged.
        SetColumnSelection(columnOrigin_.y(), cell.row, columnOrigin_.x(), x);
        return;
    }
    if (mouseMode_ == 1) {
        const TextPos at = PosOf(cell);
        const TextPos start = WordStartAt(at);
        if (at < wordStart_) {
            caretRow_ = CellOf(start).row;
            caretColumn_ = CellOf(start).column;
            SetStreamSelection(wordEnd_, start);
        } else {
            const TextPos end = WordEndAt(at);
            caretRow_ = CellOf(end).row;
            caretColumn_ = CellOf(end).column;
            SetStreamSelection(wordStart_, end);
        }
        EnsureCaretVisible();
        return;
    }
    MoveCaret(cell, true);
}

void CMyEditCtrl::mouseReleaseEvent(QMouseEvent*)
{
    if (dragPending_) {
        // A click inside the selection without a drag places the caret.
        dragPending_ = false;
        pointerPlacing_ = true;
        MoveCaret(CellAt(pressPos_), false);
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
    if (event->button() != Qt::LeftButton || !textRect_.contains(pos))
        return;
    const int row = RowAt(pos.y());
    const RowEntry& entry = store_.Row(row);
    // The unit under the pointer, not the nearest boundary.
    const int x = pos.x() - textRect_.left() + HorizontalOffset();
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
        verticalScrollBar()->setValue(firstRow_ + (delta.y() > 0 ? -lines : lines));
    else if (delta.x() != 0)
        horizontalScrollBar()->setValue(firstColumn_ + (delta.x() > 0 ? -lines : lines));
    event->accept();
}

// ---------------------------------------------------------------------------
// Drag and drop

QString CMyEditCtrl::DragToken() const
{
    return QStringLiteral("%1:%2").arg(getpid()).arg(reinterpret_cast<quintptr>(this), 0, 16);
}

QMimeData* CMyEditCtrl::CreateDragMimeData() const
{
    QMimeData* data = CreateSelectionMimeData();
    data->setData(kDragSourceMime, DragToken().toUtf8());
    return data;
}

void CMyEditCtrl::StartDrag()
{
    QMimeData* data = CreateDragMimeData();
    if (data->hasFormat(kColumnBlockMime))
        columnToken_ = QString::fromUtf8(data->data(kColumnBlockMime));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    droppedOnSelf_ = false;
    const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (droppedOnSelf_)
        return;
    if (result == Qt::MoveAction && !readOnly_) {
        UndoActionScope action(undo_, ACTION_DROP_MOVE);
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
    dropCaret_ = true;
    event->acceptProposedAction();
}

void CMyEditCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    dropCell_ = CellAt(event->position().toPoint());
    dropCaret_ = true;
    event->setDropAction(event->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
    viewport()->update();
}

void CMyEditCtrl::dragLeaveEvent(QDragLeaveEvent*)
{
    dropCaret_ = false;
    viewport()->update();
}

void CMyEditCtrl::dropEvent(QDropEvent* event)
{
    dropCaret_ = false;
    const bool copy = event->modifiers() & Qt::ControlModifier;
    const TextPos at = PosOf(CellAt(event->position().toPoint()));
    if (DropText(event->mimeData(), at, copy)) {
        event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
    viewport()->update();
}

bool CMyEditCtrl::DropText(const QMimeData* data, TextPos at, bool copy)
{
    const bool fromSelf = data->hasFormat(kDragSourceMime)
                          && QString::fromUtf8(data->data(kDragSourceMime)) == DragToken();
    if (fromSelf) {
        droppedOnSelf_ = true;
        if (IsInSelection(at))
            return true;
    }
    if (RefuseIfReadOnly())
        return false;
    const bool block = fromSelf && IsOwnColumnBlock(data) && wrapMode_ == 0;
    std::u16string text = ToU16(data->text());
    if (!fromSelf) {
        std::u16string normalised;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
                normalised += u'\r';
            normalised += text[i];
        }
        text.swap(normalised);
    }
    UndoActionScope action(undo_, copy ? ACTION_DROP_COPY : ACTION_DROP_MOVE);
    int blockX = 0;
    if (block) {
        const Cell cell = CellOf(at);
        blockX = metrics_.XOfColumn(store_.Row(cell.row), cell.column);
    }
    if (fromSelf && !copy && HasSelection()) {
        if (selMode_ != 2) {
            const TextPos start = SelectionStart();
            const TextPos end = SelectionEnd();
            if (at >= end) {
                if (at.line == end.line)
                    at = {start.line, start.column + at.column - end.column};
                else
                    at.line -= end.line - start.line;
            }
        } else {
            const Cell cell = CellOf(at);
            if (cell.row >= firstSelRow_ && cell.row <= lastSelRow_) {
                const RowEntry& row = store_.Row(cell.row);
                if (cell.column > row.selEnd)
                    at.column -= row.selEnd - row.selStart;
            }
        }
        DeleteSelection();
    } else {
        ClearSelection();
    }
    if (block) {
        caretRow_ = CellOf(at).row;
        caretColumn_ = CellOf(at).column;
        InsertAsColumnBlock(text, blockX, at.line);
    } else {
        SetCaretLogical(InsertAt(at, text));
    }
    AfterEdit();
    return true;
}

} // namespace kdx

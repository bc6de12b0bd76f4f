#include "edit/EditModel.h"

#include "edit/EditDragDrop.h"
#include "terminal/TextWrap.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kdx {

namespace {

constexpr int kMaxDelimiters = 63;

} // namespace

EditModel::EditModel(EditView& view)
    : m_view(view), m_delimiters(DefaultDelimiters())
{
}

QString EditModel::DefaultDelimiters()
{
    return QString::fromUtf16(kWrapDelimiters.data(), qsizetype(kWrapDelimiters.size()));
}

void EditModel::SetDelimiters(const QString& delimiters)
{
    m_delimiters = delimiters.left(kMaxDelimiters);
}

// ---------------------------------------------------------------------------
// Positions and words

EditCell EditModel::CellOf(TextPos pos) const
{
    EditCell cell;
    cell.row = Store().RowOfPos(pos, &cell.column);
    return cell;
}

int EditModel::CaretX() const
{
    return m_metrics.XOfColumn(Store().Row(m_selection.Caret().row), m_selection.Caret().column);
}

TextPos EditModel::SelectionStart() const
{
    return m_selection.Start(Store(), m_metrics, CaretPos());
}

TextPos EditModel::SelectionEnd() const
{
    return m_selection.End(Store(), m_metrics, CaretPos());
}

bool EditModel::IsInSelection(TextPos pos) const
{
    return m_selection.Contains(Store(), m_metrics, pos, CaretPos());
}

std::u16string EditModel::SelectedText() const
{
    std::u16string text;
    if (!HasSelection())
        return text;
    if (!m_selection.IsColumn()) {
        text = Store().Text(SelectionStart(), SelectionEnd());
    } else {
        for (int r = m_selection.FirstRow(); r <= m_selection.LastRow(); ++r) {
            const RowEntry& row = Store().Row(r);
            int from = 0;
            int to = 0;
            m_selection.RowSpan(Store(), m_metrics, r, from, to);
            from = std::clamp(from, 0, row.length);
            to = std::clamp(to, from, row.length);
            if (row.text)
                text.append(row.text + from, row.text + to);
            text += u"\r\n";
        }
    }
    std::replace(text.begin(), text.end(), u'\0', u' ');
    return text;
}

TextPos EditModel::WordLeft(TextPos from) const
{
    from = Store().Clamp(from);
    if (from.column == 0)
        return Store().Before(from);
    const auto text = Store().LineText(from.line);
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

TextPos EditModel::WordRight(TextPos from) const
{
    from = Store().Clamp(from);
    const auto text = Store().LineText(from.line);
    const int length = static_cast<int>(text.size());
    if (from.column >= length)
        return Store().After(from);
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

TextPos EditModel::WordStartAt(TextPos pos) const
{
    const auto text = Store().LineText(pos.line);
    int c = std::min(pos.column, static_cast<int>(text.size()));
    if (c < static_cast<int>(text.size()) && IsDelimiter(text[c]))
        return {pos.line, c};
    const bool blank = c < static_cast<int>(text.size()) && IsBlank(text[c]);
    while (c > 0 && IsBlank(text[c - 1]) == blank && !IsDelimiter(text[c - 1]))
        --c;
    return {pos.line, c};
}

TextPos EditModel::WordEndAt(TextPos pos) const
{
    const auto text = Store().LineText(pos.line);
    const int length = static_cast<int>(text.size());
    int c = std::min(pos.column, length);
    if (c < length && IsDelimiter(text[c]))
        return {pos.line, c + 1};
    const bool blank = c < length && IsBlank(text[c]);
    while (c < length && IsBlank(text[c]) == blank && !IsDelimiter(text[c]))
        ++c;
    return {pos.line, c};
}

// ---------------------------------------------------------------------------
// Caret and selection

void EditModel::SetCaretLogical(TextPos pos, bool keepPreferredX)
{
    const EditCell cell = CellOf(Store().Clamp(pos));
    m_selection.Caret() = cell;
    if (!keepPreferredX)
        m_selection.PreferredX() = CaretX();
    if (!HasSelection())
        m_selection.SetAnchor(PosOf(cell));
}

void EditModel::MoveCaret(EditCell to, bool extend, bool keepPreferredX)
{
    to.row = std::clamp(to.row, 0, Store().RowCount() - 1);
    to.column = std::clamp(to.column, 0, Store().Row(to.row).length);
    const TextPos anchor = HasSelection() && !m_selection.IsColumn() ? m_selection.Anchor() : CaretPos();
    if (!extend || m_selection.IsColumn())
        ClearSelection();
    m_selection.Caret() = to;
    if (!keepPreferredX)
        m_selection.PreferredX() = CaretX();
    if (extend)
        SetStreamSelection(anchor, PosOf(to));
    else
        m_selection.SetAnchor(PosOf(to));
    m_view.CaretMoved();
}

void EditModel::ClearRowSelection()
{
    if (m_selection.Active())
        m_view.RepaintRows(m_selection.FirstRow(), m_selection.LastRow());
    m_selection.Clear();
}

void EditModel::ClearSelection()
{
    ClearRowSelection();
    m_selection.SetAnchor(CaretPos());
}

void EditModel::SetStreamSelection(TextPos anchor, TextPos caret)
{
    ClearRowSelection();
    m_selection.SetStream(Store(), anchor, caret);
    if (m_selection.Active())
        m_view.RepaintAll();
}

void EditModel::SetColumnSelection(int firstRow, int lastRow, int leftX, int rightX)
{
    ClearRowSelection();
    m_selection.SetColumn(Store(), m_metrics, firstRow, lastRow, leftX, rightX);
    m_view.RepaintAll();
}

void EditModel::SelectAll()
{
    SetCaretLogical(Store().End());
    SetStreamSelection({}, Store().End());
    m_view.CaretMoved();
}

void EditModel::SelectWordsTo(TextPos at, TextPos wordStart, TextPos wordEnd)
{
    if (at < wordStart) {
        const TextPos start = WordStartAt(at);
        m_selection.Caret() = CellOf(start);
        SetStreamSelection(wordEnd, start);
    } else {
        const TextPos end = WordEndAt(at);
        m_selection.Caret() = CellOf(end);
        SetStreamSelection(wordStart, end);
    }
}

void EditModel::ToggleBookmark()
{
    const int line = Store().LineOfRow(m_selection.Caret().row);
    if (m_document.SetBookmark(line, !Store().IsBookmarked(line)))
        m_view.RepaintAll();
}

// ---------------------------------------------------------------------------
// Editing

TextPos EditModel::InsertAt(TextPos at, std::u16string_view text)
{
    at = Store().Clamp(at);
    const TextPos end = m_document.Insert(at, text);
    if (end != at)
        m_view.SetModified(true);
    return end;
}

void EditModel::RemoveRange(TextPos from, TextPos to)
{
    if (Store().Clamp(from) == Store().Clamp(to))
        return;
    m_document.Remove(from, to);
    m_view.SetModified(true);
}

void EditModel::DeleteSelection()
{
    if (!HasSelection())
        return;
    if (!m_selection.IsColumn()) {
        const TextPos start = SelectionStart();
        const TextPos end = SelectionEnd();
        ClearRowSelection();
        RemoveRange(start, end);
        SetCaretLogical(start);
        return;
    }
    std::vector<std::pair<TextPos, TextPos>> parts;
    for (int r = m_selection.FirstRow(); r <= m_selection.LastRow() && r < Store().RowCount(); ++r) {
        const int length = Store().Row(r).length;
        int from = 0;
        int to = 0;
        m_selection.RowSpan(Store(), m_metrics, r, from, to);
        from = std::clamp(from, 0, length);
        to = std::clamp(to, 0, length);
        parts.emplace_back(Store().RowToLogical(r, from), Store().RowToLogical(r, to));
    }
    ClearRowSelection();
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        RemoveRange(it->first, it->second);
    if (!parts.empty())
        SetCaretLogical(parts.front().first);
}

void EditModel::TypeText(const std::u16string& text)
{
    if (m_view.RefuseIfReadOnly() || text.empty())
        return;
    auto action = m_document.Action(ACTION_TYPING);
    DeleteSelection();
    const TextPos caret = CaretPos();
    if (m_options.overwrite) {
        const int available = Store().LineLength(caret.line) - caret.column;
        const int replace = std::min(static_cast<int>(text.size()), available);
        RemoveRange(caret, {caret.line, caret.column + replace});
    }
    SetCaretLogical(InsertAt(caret, text));
    m_view.AfterEdit(false);
}

void EditModel::Tab()
{
    if (!m_options.tabsAsSpaces) {
        TypeText(u"\t");
        return;
    }
    const int size = std::max(1, m_metrics.TabSize());
    const int visual = m_metrics.VisualColumn(Store().Row(m_selection.Caret().row), m_selection.Caret().column);
    TypeText(std::u16string(size - visual % size, u' '));
}

// The blanks that start the caret's line up to the caret, as a new line
// repeats them (TABs where TABs are typed).
std::u16string EditModel::Indentation(TextPos caret) const
{
    const auto text = Store().LineText(caret.line);
    int visual = 0;
    for (int i = 0; i < caret.column && IsBlank(text[i]); ++i)
        visual += m_metrics.ColumnsOf(text[i], visual);
    const int size = m_metrics.TabSize();
    if (m_options.tabsAsSpaces || size <= 0)
        return std::u16string(visual, u' ');
    return std::u16string(visual / size, u'\t') + std::u16string(visual % size, u' ');
}

void EditModel::NewLine()
{
    if (m_view.RefuseIfReadOnly())
        return;
    if (m_options.overwrite) {
        if (m_selection.Caret().row + 1 < Store().RowCount())
            MoveCaret({m_selection.Caret().row + 1, 0}, false);
        return;
    }
    auto action = m_document.Action(ACTION_TYPING);
    DeleteSelection();
    const TextPos caret = CaretPos();
    SetCaretLogical(InsertAt(caret, u"\r\n" + Indentation(caret)));
    m_view.AfterEdit(false);
}

// The selection when there is one, else the text between the caret and one
// step (a unit, a word, a row end) back or on.
void EditModel::DeleteBesideCaret(bool forward, bool word)
{
    if (m_view.RefuseIfReadOnly())
        return;
    auto action = m_document.Action(ACTION_DELETION);
    if (HasSelection()) {
        DeleteSelection();
    } else {
        const TextPos caret = CaretPos();
        const TextPos other = forward ? (word ? WordRight(caret) : Store().After(caret))
                                      : (word ? WordLeft(caret) : Store().Before(caret));
        RemoveRange(std::min(caret, other), std::max(caret, other));
        SetCaretLogical(std::min(caret, other));
    }
    m_view.AfterEdit(false);
}

bool EditModel::Cut()
{
    if (m_view.RefuseIfReadOnly())
        return false;
    if (!m_view.Copy())
        return false;
    DeleteBesideCaret(true, false);
    return true;
}

void EditModel::PasteText(const std::u16string& text, bool block)
{
    auto action = m_document.Action(ACTION_PASTE);
    DeleteSelection();
    if (block)
        InsertAsColumnBlock(text, CaretX(), Store().LineOfRow(m_selection.Caret().row));
    else
        SetCaretLogical(InsertAt(CaretPos(), text));
    m_view.AfterEdit(false);
}

void EditModel::DropText(const std::u16string& text, TextPos at, bool copy, bool fromSelection, bool block)
{
    auto action = m_document.Action(copy ? ACTION_DROP_COPY : ACTION_DROP_MOVE);
    const int blockX = block ? m_metrics.XOfColumn(Store().Row(CellOf(at).row), CellOf(at).column) : 0;
    if (fromSelection && !copy && HasSelection()) {
        if (!m_selection.IsColumn()) {
            at = EditDragDrop::MoveTarget(at, SelectionStart(), SelectionEnd());
        } else {
            const EditCell cell = CellOf(at);
            int selStart = 0;
            int selEnd = 0;
            if (m_selection.RowSpan(Store(), m_metrics, cell.row, selStart, selEnd) && cell.column > selEnd)
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
    m_view.AfterEdit(false);
}

void EditModel::DeleteMovedSelection()
{
    auto action = m_document.Action(ACTION_DROP_MOVE);
    DeleteSelection();
    m_view.AfterEdit(false);
}

// TABs (where TABs are typed) and spaces that lengthen a short line to
// pixel x.
std::u16string EditModel::FillTo(int line, int x) const
{
    int width = 0;
    int visual = 0;
    if (line < Store().LineCount()) {
        const RowEntry& row = Store().Row(Store().FirstRowOfLine(line));
        width = m_metrics.XOfColumn(row, row.length);
        visual = m_metrics.VisualColumn(row, row.length);
    }
    std::u16string fill;
    const int size = m_metrics.TabSize();
    const int space = m_metrics.SpaceWidth();
    if (!m_options.tabsAsSpaces && size > 0) {
        while (width + (size - visual % size) * space <= x) {
            width += (size - visual % size) * space;
            visual += size - visual % size;
            fill += u'\t';
        }
    }
    while (width + space <= x) {
        width += space;
        fill += u' ';
    }
    return fill;
}

void EditModel::InsertAsColumnBlock(const std::u16string& text, int x, int line)
{
    // A block copied with a line break after its last row has no row after it.
    std::vector<std::u16string_view> pieces = SplitAtBreaks(text);
    if (pieces.back().empty())
        pieces.pop_back();
    TextPos end = CaretPos();
    for (size_t i = 0; i < pieces.size(); ++i) {
        const int target = line + static_cast<int>(i);
        if (target < Store().LineCount()) {
            const RowEntry& row = Store().Row(Store().FirstRowOfLine(target));
            if (m_metrics.XOfColumn(row, row.length) >= x)
                end = InsertAt({target, m_metrics.ColumnAtX(row, x)}, pieces[i]);
            else
                end = InsertAt({target, row.length}, FillTo(target, x).append(pieces[i]));
        } else {
            end = InsertAt(Store().End(), u"\r\n" + FillTo(target, x).append(pieces[i]));
        }
    }
    SetCaretLogical(end);
}

bool EditModel::Undo()
{
    if (m_view.RefuseIfReadOnly() || !m_document.CanUndo())
        return false;
    ClearSelection();
    ApplyUndoStep(true);
    return true;
}

bool EditModel::Redo()
{
    if (m_view.RefuseIfReadOnly() || !m_document.CanRedo())
        return false;
    ClearSelection();
    ApplyUndoStep(false);
    return true;
}

void EditModel::ApplyUndoStep(bool undo)
{
    const TextPos caret = CaretPos();
    SetCaretLogical(undo ? m_document.Undo(caret) : m_document.Redo(caret));
    m_view.SetModified(!m_document.AtClean());
    m_view.AfterEdit(true);
}

} // namespace kdx

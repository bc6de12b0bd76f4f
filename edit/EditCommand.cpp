#include "edit/EditCommand.h"

#include "edit/EditModel.h"

#include <algorithm>
#include <iterator>

namespace kdx {

namespace {

using C = EditCommand;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

constexpr int kMoveCount = static_cast<int>(C::SelectCharLeft);
static_assert(static_cast<int>(C::SelectPageDown) == 2 * kMoveCount - 1, "each move has its selecting twin");

// First match wins.
const EditKeyBinding kEditKeys[] = {
    {Qt::Key_Left, kNone, C::CharLeft},
    {Qt::Key_Left, kShift, C::SelectCharLeft},
    {Qt::Key_Left, kCtrl, C::WordLeft},
    {Qt::Key_Left, kCtrlShift, C::SelectWordLeft},
    {Qt::Key_Right, kNone, C::CharRight},
    {Qt::Key_Right, kShift, C::SelectCharRight},
    {Qt::Key_Right, kCtrl, C::WordRight},
    {Qt::Key_Right, kCtrlShift, C::SelectWordRight},
    {Qt::Key_Up, kNone, C::LineUp},
    {Qt::Key_Up, kShift, C::SelectLineUp},
    {Qt::Key_Up, kCtrl, C::ScrollUp},
    {Qt::Key_Up, kCtrlShift, C::SelectScrollUp},
    {Qt::Key_Down, kNone, C::LineDown},
    {Qt::Key_Down, kShift, C::SelectLineDown},
    {Qt::Key_Down, kCtrl, C::ScrollDown},
    {Qt::Key_Down, kCtrlShift, C::SelectScrollDown},
    {Qt::Key_Home, kNone, C::RowStart},
    {Qt::Key_Home, kShift, C::SelectRowStart},
    {Qt::Key_Home, kCtrl, C::DocumentStart},
    {Qt::Key_Home, kCtrlShift, C::SelectDocumentStart},
    {Qt::Key_End, kNone, C::RowEnd},
    {Qt::Key_End, kShift, C::SelectRowEnd},
    {Qt::Key_End, kCtrl, C::DocumentEnd},
    {Qt::Key_End, kCtrlShift, C::SelectDocumentEnd},
    // Ctrl does not change the page keys.
    {Qt::Key_PageUp, kNone, C::PageUp},
    {Qt::Key_PageUp, kCtrl, C::PageUp},
    {Qt::Key_PageUp, kShift, C::SelectPageUp},
    {Qt::Key_PageUp, kCtrlShift, C::SelectPageUp},
    {Qt::Key_PageDown, kNone, C::PageDown},
    {Qt::Key_PageDown, kCtrl, C::PageDown},
    {Qt::Key_PageDown, kShift, C::SelectPageDown},
    {Qt::Key_PageDown, kCtrlShift, C::SelectPageDown},
    // Shift does not change the deleting keys.
    {Qt::Key_Backspace, kCtrl, C::BackspaceWord},
    {Qt::Key_Backspace, kCtrlShift, C::BackspaceWord},
    {Qt::Key_Backspace, kAnyModifiers, C::Backspace},
    {Qt::Key_Delete, kCtrl, C::DeleteWord},
    {Qt::Key_Delete, kCtrlShift, C::DeleteWord},
    {Qt::Key_Delete, kAnyModifiers, C::Delete},
    {Qt::Key_Return, kAnyModifiers, C::NewLine},
    {Qt::Key_Enter, kAnyModifiers, C::NewLine},
    {Qt::Key_Tab, kCtrl, C::Nothing},
    {Qt::Key_Tab, kCtrlShift, C::Nothing},
    {Qt::Key_Tab, kAnyModifiers, C::Tab},
    {Qt::Key_Insert, kAnyModifiers, C::ToggleOverwrite},
    {Qt::Key_Escape, kAnyModifiers, C::ClearSelection},
};

const EditKeyBinding kEditShortcuts[] = {
    {Qt::Key_A, kCtrl, C::SelectAll},
    {Qt::Key_B, kCtrl, C::ToggleBookmark},
    {Qt::Key_C, kCtrl, C::Copy},
    {Qt::Key_V, kCtrl, C::Paste},
    {Qt::Key_X, kCtrl, C::Cut},
    {Qt::Key_Y, kCtrl, C::Redo},
    {Qt::Key_Z, kCtrl, C::Undo},
};

template <size_t N>
std::optional<EditCommand> Find(const EditKeyBinding (&table)[N], int key, Qt::KeyboardModifiers held)
{
    const auto found = std::find_if(std::begin(table), std::end(table), [&](const EditKeyBinding& binding) {
        return binding.key == key && (binding.modifiers == kAnyModifiers || binding.modifiers == held);
    });
    if (found == std::end(table))
        return std::nullopt;
    return found->command;
}

// The moves of the arrow, Home, End and page keys; `extend` keeps the
// anchor where it is.
void Move(EditModel& model, EditCommand move, bool extend)
{
    EditView& view = model.View();
    const TextStore& store = model.Store();
    const EditSelection& selection = model.Selection();
    const EditCell caret = selection.Caret();
    const RowEntry& row = store.Row(caret.row);
    const int lastRow = store.RowCount() - 1;
    const auto atPreferredX = [&](int target) {
        return EditCell{target, model.Metrics().ColumnAtX(store.Row(target), selection.PreferredX())};
    };
    switch (move) {
    case C::CharLeft:
    case C::WordLeft:
        if (model.HasSelection() && !extend)
            model.MoveCaret(model.CellOf(model.SelectionStart()), false);
        else if (move == C::WordLeft)
            model.MoveCaret(model.CellOf(model.WordLeft(model.PosOf(caret))), extend);
        else if (caret.column > 0)
            model.MoveCaret({caret.row, caret.column - 1}, extend);
        else if (caret.row > 0)
            model.MoveCaret({caret.row - 1, store.Row(caret.row - 1).length}, extend);
        break;
    case C::CharRight:
    case C::WordRight:
        if (model.HasSelection() && !extend)
            model.MoveCaret(model.CellOf(model.SelectionEnd()), false);
        else if (move == C::WordRight)
            model.MoveCaret(model.CellOf(model.WordRight(model.PosOf(caret))), extend);
        else if (caret.column < row.length)
            model.MoveCaret({caret.row, caret.column + 1}, extend);
        else if (caret.row < lastRow)
            model.MoveCaret({caret.row + 1, 0}, extend);
        break;
    case C::LineUp:
    case C::LineDown:
        model.MoveCaret(atPreferredX(std::clamp(caret.row + (move == C::LineUp ? -1 : 1), 0, lastRow)), extend,
                        true);
        break;
    case C::ScrollUp:
    case C::ScrollDown: {
        const int first = view.ScrollTo(view.FirstRow() + (move == C::ScrollUp ? -1 : 1));
        const int visible = std::max(1, view.VisibleRows());
        const int now = selection.Caret().row;
        const int target = std::clamp(now, first, std::min(lastRow, first + visible - 1));
        if (target != now)
            model.MoveCaret(atPreferredX(target), extend, true);
        break;
    }
    case C::RowStart: {
        int firstText = 0;
        while (firstText < row.length && (row.text[firstText] == u' ' || row.text[firstText] == u'\t'))
            ++firstText;
        model.MoveCaret({caret.row, caret.column == firstText ? 0 : firstText}, extend);
        break;
    }
    case C::RowEnd:
        model.MoveCaret({caret.row, row.length}, extend);
        break;
    case C::DocumentStart:
        model.MoveCaret({0, 0}, extend);
        break;
    case C::DocumentEnd:
        model.MoveCaret({lastRow, store.Row(lastRow).length}, extend);
        break;
    case C::PageUp:
    case C::PageDown: {
        // A selection left by a page key collapses to its end on that side
        // first; the caret then keeps its place on screen.
        const bool up = move == C::PageUp;
        if (!extend && model.HasSelection())
            model.MoveCaret(model.CellOf(up ? model.SelectionStart() : model.SelectionEnd()), false);
        const int page = std::max(1, view.VisibleRows() - 1);
        const int before = view.FirstRow();
        const int scrolled = view.ScrollTo(before + (up ? -page : page)) - before;
        const int target = std::clamp(scrolled != 0 ? selection.Caret().row + scrolled : (up ? 0 : lastRow), 0,
                                      lastRow);
        model.MoveCaret(atPreferredX(target), extend, true);
        break;
    }
    default:
        break;
    }
}

} // namespace

std::optional<EditCommand> FindEditKey(int key, Qt::KeyboardModifiers modifiers)
{
    return Find(kEditKeys, key, modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
}

std::optional<EditCommand> FindEditShortcut(int key, Qt::KeyboardModifiers modifiers)
{
    if ((modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != Qt::ControlModifier)
        return std::nullopt;
    return Find(kEditShortcuts, key, Qt::ControlModifier);
}

void RunEditCommand(EditModel& model, EditCommand command)
{
    const int index = static_cast<int>(command);
    if (index < 2 * kMoveCount) {
        Move(model, static_cast<EditCommand>(index % kMoveCount), index >= kMoveCount);
        return;
    }
    switch (command) {
    case C::Backspace:
    case C::BackspaceWord:
        model.DeleteBesideCaret(false, command == C::BackspaceWord);
        break;
    case C::Delete:
    case C::DeleteWord:
        model.DeleteBesideCaret(true, command == C::DeleteWord);
        break;
    case C::NewLine:
        model.NewLine();
        break;
    case C::Tab:
        model.Tab();
        break;
    case C::ToggleOverwrite:
        model.Options().overwrite = !model.Options().overwrite;
        break;
    case C::ClearSelection:
        model.ClearSelection();
        break;
    case C::SelectAll:
        model.SelectAll();
        break;
    case C::Copy:
        model.View().Copy();
        break;
    case C::Cut:
        model.Cut();
        break;
    case C::Paste:
        model.View().Paste();
        break;
    case C::Undo:
        model.Undo();
        break;
    case C::Redo:
        model.Redo();
        break;
    case C::ToggleBookmark:
        model.ToggleBookmark();
        break;
    default:
        break;
    }
}

} // namespace kdx

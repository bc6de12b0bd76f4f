#pragma once
#include <Qt>
#include <optional>

namespace kdx {

class EditModel;

// What a key asks of the text control. The moves come twice: as they are,
// and extending the selection (the Shift variants), in the same order.
enum class EditCommand {
    CharLeft,
    CharRight,
    LineUp,
    LineDown,
    WordLeft,
    WordRight,
    // Scroll by a row; the caret follows only when it would leave the view.
    ScrollUp,
    ScrollDown,
    // Home toggles between the first non-blank unit and the row start.
    RowStart,
    RowEnd,
    DocumentStart,
    DocumentEnd,
    PageUp,
    PageDown,
    SelectCharLeft,
    SelectCharRight,
    SelectLineUp,
    SelectLineDown,
    SelectWordLeft,
    SelectWordRight,
    SelectScrollUp,
    SelectScrollDown,
    SelectRowStart,
    SelectRowEnd,
    SelectDocumentStart,
    SelectDocumentEnd,
    SelectPageUp,
    SelectPageDown,

    Backspace,
    BackspaceWord,
    Delete,
    DeleteWord,
    NewLine,
    Tab,
    ToggleOverwrite,
    ClearSelection,
    SelectAll,
    Copy,
    Cut,
    Paste,
    Undo,
    Redo,
    ToggleBookmark,
    // The key belongs to the control but does nothing (Ctrl+Tab must not
    // reach the window's shortcuts).
    Nothing,
};

// A key with Shift and Ctrl as they must be held; Alt and Meta do not
// matter. kAnyModifiers matches the key however it is held.
struct EditKeyBinding {
    int key;
    Qt::KeyboardModifiers modifiers;
    EditCommand command;
};
inline constexpr Qt::KeyboardModifiers kAnyModifiers = Qt::KeyboardModifierMask;

// The control's own keys: moves and editing.
std::optional<EditCommand> FindEditKey(int key, Qt::KeyboardModifiers modifiers);
// The Ctrl shortcuts of the control with its menu (Ctrl+A, C, X, V, Z, Y, B):
// only Ctrl held, Shift allowed.
std::optional<EditCommand> FindEditShortcut(int key, Qt::KeyboardModifiers modifiers);

// Runs a command on the model; its view repaints and scrolls.
void RunEditCommand(EditModel& model, EditCommand command);

} // namespace kdx

#pragma once
#include <QString>

namespace kdx {

// Command identifiers of the text control's menus. They reuse the editor's
// ID_EDIT_ names with other values, so they live in a namespace of their own.
namespace text_control {
enum Command : int {
    ID_EDIT_UNDO = 38010,
    ID_EDIT_REDO = 38011,
    ID_EDIT_SELECT_ALL = 38012,
    ID_EDIT_COLUMN_SELECT = 38013,
    ID_EDIT_CUT = 38014,
    ID_EDIT_COPY = 38015,
    ID_EDIT_PASTE = 38016,
    ID_EDIT_CLEAR = 38017,
    ID_EDIT_TOGGLE_BOOKMARK = 38018,
    ID_EDIT_NEXT_BOOKMARK = 38019,
    ID_EDIT_PREVIOUS_BOOKMARK = 38020,
    ID_EDIT_CLEAR_BOOKMARKS = 38021,
    ID_EDIT_SHOW_RULER = 38022,
    ID_EDIT_SHOW_LINE_NUMBERS = 38023,
    ID_EDIT_SHOW_WHITESPACE = 38024,
};
} // namespace text_control

// Menu resource of the plain control.
constexpr int IDR_EDIT_MENU = 140;

// The control's own texts by identifier; an unknown identifier gives "".
QString EditString(int id);

} // namespace kdx

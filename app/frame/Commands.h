#pragma once
#include <QString>

#include <span>

namespace kdx {

// Command identifiers of the main menu, the toolbars and the panes.
enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FIRST = 57616,
    ID_FILE_MRU_LAST = 57625,
    ID_APP_EXIT = 57665,
    ID_EDIT_CLEAR = 57632,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_VIEW_PAGE_LIST = 40100,
    ID_VIEW_PROPERTIES = 40101,
    ID_VIEW_OUTPUT = 40102,
    ID_TOOL_SELECT = 40401,
    ID_TOOL_IMAGE = 40402,
    ID_TOOL_TEXT = 40403,
    ID_TOOL_CUSTOM = 40404,
    ID_TOOL_LINE = 40405,
    ID_TOOL_RECT = 40406,
    ID_TOOL_RECT_FILLED = 40407,
    ID_TOOL_ROUND_RECT = 40408,
    ID_TOOL_ROUND_RECT_FILLED = 40409,
    ID_TOOL_ELLIPSE = 40410,
    ID_TOOL_ELLIPSE_FILLED = 40411,
    ID_TOOL_FIRST = ID_TOOL_SELECT,
    ID_TOOL_LAST = ID_TOOL_ELLIPSE_FILLED,
    ID_LAYOUT_UP = 40501,
    ID_LAYOUT_DOWN = 40502,
    ID_LAYOUT_TOP = 40503,
    ID_LAYOUT_BOTTOM = 40504,
    ID_ALIGN_LEFT = 40505,
    ID_ALIGN_RIGHT = 40506,
    ID_ALIGN_TOP = 40507,
    ID_ALIGN_BOTTOM = 40508,
    ID_CENTER_VERT = 40509,
    ID_CENTER_HORZ = 40510,
    ID_SPACE_ACROSS = 40511,
    ID_SPACE_DOWN = 40512,
    ID_SAME_WIDTH = 40513,
    ID_SAME_HEIGHT = 40514,
    ID_SAME_SIZE = 40515,
    ID_GRID_SHOW = 40516,
    ID_GRID_SETTINGS = 40517,
    ID_GRID_SNAP = 40518,
    ID_EDIT_PROPERTIES = 40519, // the page's context menu: focus to the property pane
    ID_PROJECT_COMPILE = 40550,
    ID_PROJECT_UPLOAD = 40551,
    ID_PROJECT_SIMULATE = 40552,
    ID_PROJECT_CHECK = 40553,
    ID_PROJECT_CHECK_BEFORE_COMPILE = 40554,
    ID_PROJECT_COLLECT_PICTURES = 40555,
    ID_PROJECT_RECOMPILE = 40556, // compiles again to the last output, without asking
    ID_HELP_README = 40600,
    ID_APP_ABOUT = 57664,
};

// One entry of a drop-down menu: a command, a separator (id 0) or the
// recent-file list (ID_FILE_MRU_FIRST).
struct MenuItem {
    int id;
    const char16_t* text; // nullptr: the editor string of the id
    const char* shortcut = nullptr;   // portable key sequence text
};

struct TopMenu {
    const char16_t* text;
    std::span<const MenuItem> items;
};

std::span<const TopMenu> MainMenu();

// Toolbar buttons in order; 0 is a separator.
std::span<const int> StandardToolbarButtons();
std::span<const int> LayoutToolbarButtons();

// Every command id that appears in the menu or on a toolbar.
std::span<const int> AllCommandIds();
// The text an entry shows: its own, or the editor string of its id.
QString MenuItemText(const MenuItem& item);
// The menu entry of a command id, or nullptr.
const MenuItem* FindMenuItem(int id);

// The name of the undo step a command makes; empty for a command that
// changes nothing in the project (or, as undo and redo, makes no step).
QString UndoStepName(int id);

// The page view's context menu; 0 is a separator, a negative id opens the
// alignment submenu.
std::span<const int> PageContextMenu();
std::span<const int> AlignmentSubmenu();

// Resource path of a command's toolbar image.
const char* CommandIconPath(int id);

} // namespace kdx

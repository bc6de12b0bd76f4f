#pragma once
#include <QString>
#include <QVariant>
#include <initializer_list>

namespace kdx {

// Identifiers of the editor's own texts. Command ids double as the ids of
// their "prompt\ntool tip" strings.
enum EditorStringId : int {
    IDS_APP_TITLE = 57344,
    IDS_IDLE_MESSAGE = 57345,
    IDS_FRAME_TITLE = 100,
    IDS_COMPILED_FILTER = 20203,
    IDS_COMPILE_OUTPUT_TITLE = 20204,
    IDS_OLE_INIT_FAILED = 20502,
    IDS_GDI_INIT_FAILED = 20503,
    IDS_BAD_RESOLUTION = 20520,
    IDS_NO_DEPTH = 20521,
    IDS_BAD_GRID_WIDTH = 20600,
    IDS_BAD_GRID_HEIGHT = 20601,
    IDS_NO_COMPILE_PANE = 20670,
    IDS_UPLOADER_MISSING = 20671,
    IDS_SIMULATOR_MISSING = 20672,
    IDS_PROGRAM_STARTED = 20673,
    // A page already holds as many objects as a page may.
    IDS_TOO_MANY_OBJECTS = 20680,
    // Pasted objects from another project lose their jumps.
    IDS_PASTE_JUMPS_CLEARED = 20681,
    IDS_PICTURES_COLLECTED = 20690,
    IDS_PICTURES_RELINKED = 20691,
    IDS_NO_PICTURES_TO_COLLECT = 20692,
    // The compile pane: its tab, its notices and its own menu item.
    IDS_COMPILE_TAB = 20212,
    IDS_PAGE_NOT_FOUND = 21121,
    IDS_OBJECT_NOT_FOUND = 21122,
    IDS_CANCEL_COMPILE = 38030,
    // The page list: its tab, its column, its question and menu 141.
    IDS_PAGE_LIST_TAB = 20210,
    IDS_PAGE_LIST_COLUMN = 20650,
    IDS_CONFIRM_DELETE_ALL_PAGES = 20651,
    IDS_NEW_PAGE_NAME = 20652,
    IDS_PAGE_JUMPS_CLEARED = 20653,
    ID_PAGE_ADD = 38000,
    ID_PAGE_RENAME = 38001,
    ID_PAGE_MOVE_FIRST = 38002,
    ID_PAGE_MOVE_UP = 38003,
    ID_PAGE_MOVE_DOWN = 38004,
    ID_PAGE_MOVE_LAST = 38005,
    ID_PAGE_DELETE = 38006,
    ID_PAGE_DELETE_ALL = 38007,
    // The property pane: its tab, the image file filter and the refusals.
    IDS_IMAGE_FILTER_ALL = 20201,
    IDS_PROPERTY_TAB = 20211,
    IDS_BAD_POINT = 20900,
    IDS_BAD_NUMBER = 20901,
    IDS_BAD_PAGE_ID = 20910,
    IDS_BAD_PAGE_NAME = 20911,
    IDS_BAD_CUSTOM_ID = 20920,
    // What a property change did besides itself.
    IDS_BACKGROUND_IMAGE_REPLACED = 20912,
    IDS_FIELD_CLEARED = 20913,
    IDS_MISSING_JUMP_TARGET = 20914,
    // Texts of the document framework (open, save, title and filters).
    IDS_UNTITLED = 61440,
    IDS_PROJECT_FILTER = 61441,
    IDS_ALL_FILES_FILTER = 61442,
    IDS_SAVE_CHANGES = 61443,
    IDS_PROJECT_TEXT_FILTER = 61444,
    IDS_ANY_PROJECT_FILTER = 61445,
    IDS_RESOLUTION_LABEL = 61447,
    IDS_DEPTH_LABEL = 61448,
    IDS_PROJECT_DIALOG_TITLE = 61449,
    IDS_GRID_DIALOG_TITLE = 61450,
    IDS_GRID_WIDTH_LABEL = 61451,
    IDS_GRID_HEIGHT_LABEL = 61452,
    IDS_TAB_PAGES = 61453,
    IDS_TAB_PROPERTIES = 61454,
    IDS_TAB_COMPILE = 61455,
    IDS_PANE_MENU_TIP = 61456,
    IDS_PANE_CLOSE = 61457,
    IDS_STD_TOOLBAR = 61458,
    IDS_LAYOUT_TOOLBAR = 61459,
    IDS_RECENT_FILE_MISSING = 61460,
    // The custom data dialog: title, file filter, toolbar labels, messages.
    IDS_LINK_DATA_TITLE = 61474,
    IDS_ALL_FILES_OPEN_FILTER = 20200,
    IDS_DATA_OPEN_LABEL = 21000,
    IDS_DATA_ACCEPT_LABEL = 21001,
    IDS_DATA_DISCARD_LABEL = 21002,
    IDS_DATA_FILE_TOO_LONG = 21003,
    IDS_DATA_TEXT_TOO_LONG = 21004,
    IDS_DATA_FORMAT_ERROR = 21005,
    IDS_DATA_SAVE_QUESTION = 21006,
};

// The text of an editor string id; the project model's texts are part of
// the same table. An id without a text gives an empty string.
QString EditorString(int id);
bool HasEditorString(int id);

// printf-style formatting of a string-table text: %d %u %x %X %s %c and %%,
// and the positional %1..%9 of message prompts. Arguments are used in order.
QString FormatText(const QString& format, std::initializer_list<QVariant> args);
QString FormatString(int id, std::initializer_list<QVariant> args);

// The status prompt (before "\n") and the tool tip (after it) of a command.
QString CommandPrompt(int id);
QString CommandToolTip(int id);

} // namespace kdx

#include "app/frame/Commands.h"

#include "app/dialogs/CDlgLinkData.h"
#include "app/frame/EditorStrings.h"

#include <QHash>
#include <vector>

namespace kdx {
namespace {

constexpr MenuItem kFileMenu[] = {
    {ID_FILE_NEW, u"新建工程(&N)", "Ctrl+N"},
    {ID_FILE_OPEN, u"打开工程(&O)", "Ctrl+O"},
    {ID_FILE_SAVE, u"保存工程(&S)", "Ctrl+S"},
    {ID_FILE_SAVE_AS, u"另存工程为(&A)..."},
    {0, nullptr},
    {ID_FILE_MRU_FIRST, u"最近的文件"},
    {0, nullptr},
    {ID_APP_EXIT, u"退出(&X)"},
};

constexpr MenuItem kEditMenu[] = {
    {ID_EDIT_UNDO, u"撤消", "Ctrl+Z"},
    {ID_EDIT_REDO, u"恢复", "Ctrl+Y"},
    {0, nullptr},
    {ID_EDIT_CUT, u"剪切", "Ctrl+X"},
    {ID_EDIT_COPY, u"复制", "Ctrl+C"},
    {ID_EDIT_PASTE, u"粘贴", "Ctrl+V"},
    {ID_EDIT_CLEAR, u"删除(&D)", "Del"},
    {0, nullptr},
    {ID_EDIT_SELECT_ALL, u"全选(&A)", "Ctrl+A"},
};

constexpr MenuItem kViewMenu[] = {
    {ID_VIEW_PAGE_LIST, u"页面列表(&L)"},
    {ID_VIEW_PROPERTIES, u"属性窗口(&P)"},
    {ID_VIEW_OUTPUT, u"输出窗口(&O)"},
};

constexpr MenuItem kDrawMenu[] = {
    {ID_TOOL_SELECT, u"选择工具"},
    {0, nullptr},
    {ID_TOOL_IMAGE, u"图象"},
    {ID_TOOL_TEXT, u"文字"},
    {ID_TOOL_CUSTOM, u"虚拟对象"},
    {0, nullptr},
    {ID_TOOL_LINE, u"直线"},
    {ID_TOOL_RECT, u"矩形"},
    {ID_TOOL_RECT_FILLED, u"实心矩形"},
    {ID_TOOL_ROUND_RECT, u"圆角矩形"},
    {ID_TOOL_ROUND_RECT_FILLED, u"实心圆角矩形"},
    {ID_TOOL_ELLIPSE, u"椭圆"},
    {ID_TOOL_ELLIPSE_FILLED, u"实心椭圆"},
};

constexpr MenuItem kLayoutMenu[] = {
    {ID_LAYOUT_UP, u"上移"},
    {ID_LAYOUT_DOWN, u"下移"},
    {ID_LAYOUT_TOP, u"移到顶层"},
    {ID_LAYOUT_BOTTOM, u"移到底层"},
    {0, nullptr},
    {ID_ALIGN_LEFT, u"左对齐"},
    {ID_ALIGN_RIGHT, u"右对齐"},
    {ID_ALIGN_TOP, u"上对齐"},
    {ID_ALIGN_BOTTOM, u"下对齐"},
    {ID_CENTER_VERT, u"水平居中对齐"},
    {ID_CENTER_HORZ, u"垂直居中对齐"},
    {ID_SPACE_ACROSS, u"水平平均分布"},
    {ID_SPACE_DOWN, u"垂直平均分布"},
    {0, nullptr},
    {ID_SAME_WIDTH, u"等宽"},
    {ID_SAME_HEIGHT, u"等高"},
    {ID_SAME_SIZE, u"等大"},
    {0, nullptr},
    {ID_GRID_SHOW, u"显示网格"},
    {ID_GRID_SNAP, u"吸附网格"},
    {ID_GRID_SETTINGS, u"设置网格"},
};

// The page commands carry the page list's own texts (nullptr here).
constexpr MenuItem kProjectMenu[] = {
    {ID_PROJECT_COMPILE, u"编译当前工程(&C)...", "Ctrl+F7"},
    {ID_PROJECT_RECOMPILE, u"重新编译(&E)", "F7"},
    {ID_PROJECT_SIMULATE, u"演示指定工程(&S)...", "F5"},
    {ID_PROJECT_UPLOAD, u"上传工程文件(&U)..."},
    {0, nullptr},
    {ID_PROJECT_CHECK, u"检查工程(&K)"},
    {ID_PROJECT_CHECK_BEFORE_COMPILE, u"编译前检查工程(&B)"},
    {ID_PROJECT_COLLECT_PICTURES, u"收集图片(&P)"},
    {0, nullptr},
    {ID_PAGE_ADD, nullptr},
    {ID_PAGE_RENAME, nullptr},
    {0, nullptr},
    {ID_PAGE_MOVE_FIRST, nullptr},
    {ID_PAGE_MOVE_UP, nullptr},
    {ID_PAGE_MOVE_DOWN, nullptr},
    {ID_PAGE_MOVE_LAST, nullptr},
    {0, nullptr},
    {ID_PAGE_DELETE, nullptr},
    {ID_PAGE_DELETE_ALL, nullptr},
};

constexpr MenuItem kHelpMenu[] = {
    {ID_HELP_README, u"使用说明(&R)", "F1"},
    {0, nullptr},
    {ID_APP_ABOUT, u"关于(&A)..."},
};

constexpr TopMenu kMainMenu[] = {
    {u"文件(&F)", kFileMenu},
    {u"编辑(&E)", kEditMenu},
    {u"视图(&V)", kViewMenu},
    {u"绘图(&D)", kDrawMenu},
    {u"布局(&L)", kLayoutMenu},
    {u"工程(&P)", kProjectMenu},
    {u"帮助(&H)", kHelpMenu},
};

constexpr int kStandardButtons[] = {
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_PROJECT_COMPILE,
    ID_PROJECT_SIMULATE, ID_PROJECT_UPLOAD, 0, ID_TOOL_SELECT, ID_TOOL_IMAGE, ID_TOOL_TEXT,
    ID_TOOL_CUSTOM, ID_TOOL_LINE, ID_TOOL_RECT, ID_TOOL_RECT_FILLED, ID_TOOL_ROUND_RECT,
    ID_TOOL_ROUND_RECT_FILLED, ID_TOOL_ELLIPSE, ID_TOOL_ELLIPSE_FILLED,
};

constexpr int kLayoutButtons[] = {
    ID_LAYOUT_UP, ID_LAYOUT_DOWN, ID_LAYOUT_TOP, ID_LAYOUT_BOTTOM, 0, ID_ALIGN_LEFT, ID_ALIGN_RIGHT,
    ID_ALIGN_TOP, ID_ALIGN_BOTTOM, ID_CENTER_VERT, ID_CENTER_HORZ, ID_SPACE_ACROSS, ID_SPACE_DOWN,
    0, ID_SAME_WIDTH, ID_SAME_HEIGHT, ID_SAME_SIZE, 0, ID_GRID_SHOW, ID_GRID_SNAP,
};

constexpr int kAlignmentSubmenu = -1;
constexpr int kPageContextMenu[] = {
    ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0,
    ID_LAYOUT_UP, ID_LAYOUT_DOWN, ID_LAYOUT_TOP, ID_LAYOUT_BOTTOM, 0,
    kAlignmentSubmenu, 0, ID_EDIT_PROPERTIES,
};
constexpr int kAlignmentItems[] = {
    ID_ALIGN_LEFT, ID_ALIGN_RIGHT, ID_ALIGN_TOP, ID_ALIGN_BOTTOM, ID_CENTER_VERT, ID_CENTER_HORZ, 0,
    ID_SPACE_ACROSS, ID_SPACE_DOWN, 0, ID_SAME_WIDTH, ID_SAME_HEIGHT, ID_SAME_SIZE,
};

// The commands that change the project, each one undo step with its name;
// nullptr: the name is the menu text.
struct StepEntry {
    int id;
    const char16_t* name;
};

constexpr StepEntry kSteps[] = {
    {ID_EDIT_CUT, nullptr},
    {ID_EDIT_PASTE, nullptr},
    {ID_EDIT_CLEAR, u"删除"},
    {ID_LAYOUT_UP, nullptr},
    {ID_LAYOUT_DOWN, nullptr},
    {ID_LAYOUT_TOP, nullptr},
    {ID_LAYOUT_BOTTOM, nullptr},
    {ID_ALIGN_LEFT, nullptr},
    {ID_ALIGN_RIGHT, nullptr},
    {ID_ALIGN_TOP, nullptr},
    {ID_ALIGN_BOTTOM, nullptr},
    {ID_CENTER_VERT, nullptr},
    {ID_CENTER_HORZ, nullptr},
    {ID_SPACE_ACROSS, nullptr},
    {ID_SPACE_DOWN, nullptr},
    {ID_SAME_WIDTH, nullptr},
    {ID_SAME_HEIGHT, nullptr},
    {ID_SAME_SIZE, nullptr},
    {ID_GRID_SETTINGS, nullptr},
    {ID_PROJECT_COLLECT_PICTURES, u"收集图片"},
    {ID_PAGE_ADD, u"添加页面"},
    {ID_PAGE_MOVE_FIRST, u"移动页面"},
    {ID_PAGE_MOVE_UP, u"移动页面"},
    {ID_PAGE_MOVE_DOWN, u"移动页面"},
    {ID_PAGE_MOVE_LAST, u"移动页面"},
    {ID_PAGE_DELETE, u"删除页面"},
    {ID_PAGE_DELETE_ALL, u"删除全部页面"},
};

struct IconEntry {
    int id;
    const char* path;
};

constexpr IconEntry kIcons[] = {
    {ID_FILE_NEW, ":/icons/file-new.svg"},
    {ID_FILE_OPEN, ":/icons/file-open.svg"},
    {ID_FILE_SAVE, ":/icons/file-save.svg"},
    {ID_PROJECT_COMPILE, ":/icons/compile.svg"},
    {ID_PROJECT_SIMULATE, ":/icons/simulate.svg"},
    {ID_PROJECT_UPLOAD, ":/icons/upload.svg"},
    {ID_PROJECT_CHECK, ":/icons/check.svg"},
    {ID_PROJECT_CHECK_BEFORE_COMPILE, ":/icons/check-compile.svg"},
    {ID_PROJECT_COLLECT_PICTURES, ":/icons/collect-pictures.svg"},
    {ID_PROJECT_RECOMPILE, ":/icons/compile-again.svg"},
    {ID_TOOL_SELECT, ":/icons/tool-select.svg"},
    {ID_TOOL_IMAGE, ":/icons/tool-image.svg"},
    {ID_TOOL_TEXT, ":/icons/tool-text.svg"},
    {ID_TOOL_CUSTOM, ":/icons/tool-custom.svg"},
    {ID_TOOL_LINE, ":/icons/tool-line.svg"},
    {ID_TOOL_RECT, ":/icons/tool-rect.svg"},
    {ID_TOOL_RECT_FILLED, ":/icons/tool-rect-fill.svg"},
    {ID_TOOL_ROUND_RECT, ":/icons/tool-round.svg"},
    {ID_TOOL_ROUND_RECT_FILLED, ":/icons/tool-round-fill.svg"},
    {ID_TOOL_ELLIPSE, ":/icons/tool-ellipse.svg"},
    {ID_TOOL_ELLIPSE_FILLED, ":/icons/tool-ellipse-fill.svg"},
    {ID_LAYOUT_UP, ":/icons/z-up.svg"},
    {ID_LAYOUT_DOWN, ":/icons/z-down.svg"},
    {ID_LAYOUT_TOP, ":/icons/z-top.svg"},
    {ID_LAYOUT_BOTTOM, ":/icons/z-bottom.svg"},
    {ID_ALIGN_LEFT, ":/icons/align-left.svg"},
    {ID_ALIGN_RIGHT, ":/icons/align-right.svg"},
    {ID_ALIGN_TOP, ":/icons/align-top.svg"},
    {ID_ALIGN_BOTTOM, ":/icons/align-bottom.svg"},
    {ID_CENTER_VERT, ":/icons/center-vert.svg"},
    {ID_CENTER_HORZ, ":/icons/center-horz.svg"},
    {ID_SPACE_ACROSS, ":/icons/space-across.svg"},
    {ID_SPACE_DOWN, ":/icons/space-down.svg"},
    {ID_SAME_WIDTH, ":/icons/same-width.svg"},
    {ID_SAME_HEIGHT, ":/icons/same-height.svg"},
    {ID_SAME_SIZE, ":/icons/same-size.svg"},
    {ID_GRID_SHOW, ":/icons/grid.svg"},
    {ID_GRID_SNAP, ":/icons/grid-snap.svg"},
    {ID_GRID_SETTINGS, ":/icons/grid-settings.svg"},
    {ID_HELP_README, ":/icons/help-readme.svg"},
    {ID_APP_ABOUT, ":/icons/help-about.svg"},
    {ID_PAGE_ADD, ":/icons/page-add.svg"},
    {ID_PAGE_RENAME, ":/icons/page-rename.svg"},
    {ID_PAGE_MOVE_FIRST, ":/icons/page-first.svg"},
    {ID_PAGE_MOVE_UP, ":/icons/page-up.svg"},
    {ID_PAGE_MOVE_DOWN, ":/icons/page-down.svg"},
    {ID_PAGE_MOVE_LAST, ":/icons/page-last.svg"},
    {ID_PAGE_DELETE, ":/icons/page-delete.svg"},
    {ID_PAGE_DELETE_ALL, ":/icons/page-delete-all.svg"},
    {ID_FILE_SAVE_AS, ":/icons/file-save-as.svg"},
    {ID_APP_EXIT, ":/icons/exit.svg"},
    {ID_EDIT_UNDO, ":/icons/undo.svg"},
    {ID_EDIT_REDO, ":/icons/redo.svg"},
    {ID_EDIT_COPY, ":/icons/copy.svg"},
    {ID_EDIT_CUT, ":/icons/cut.svg"},
    {ID_EDIT_PASTE, ":/icons/paste.svg"},
    {ID_EDIT_CLEAR, ":/icons/delete.svg"},
    {ID_EDIT_SELECT_ALL, ":/icons/select-all.svg"},
    {ID_VIEW_PAGE_LIST, ":/icons/pane-pages.svg"},
    {ID_VIEW_PROPERTIES, ":/icons/pane-properties.svg"},
    {ID_VIEW_OUTPUT, ":/icons/pane-output.svg"},
    // The custom data dialog's toolbar.
    {CDlgLinkData::ID_DATA_OPEN, ":/icons/data-open.svg"},
    {CDlgLinkData::ID_DATA_ACCEPT, ":/icons/data-accept.svg"},
    {CDlgLinkData::ID_DATA_DISCARD, ":/icons/data-discard.svg"},
};

} // namespace

std::span<const TopMenu> MainMenu() { return kMainMenu; }
std::span<const int> StandardToolbarButtons() { return kStandardButtons; }
std::span<const int> LayoutToolbarButtons() { return kLayoutButtons; }
std::span<const int> PageContextMenu() { return kPageContextMenu; }
std::span<const int> AlignmentSubmenu() { return kAlignmentItems; }

std::span<const int> AllCommandIds()
{
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const auto& menu : kMainMenu)
            for (const auto& item : menu.items)
                if (item.id != 0)
                    v.push_back(item.id);
        return v;
    }();
    return ids;
}

QString MenuItemText(const MenuItem& item)
{
    return item.text ? QString::fromUtf16(item.text) : EditorString(item.id);
}

const MenuItem* FindMenuItem(int id)
{
    for (const auto& menu : kMainMenu)
        for (const auto& item : menu.items)
            if (item.id == id)
                return &item;
    return nullptr;
}

QString UndoStepName(int id)
{
    for (const auto& entry : kSteps)
        if (entry.id == id) {
            if (entry.name)
                return QString::fromUtf16(entry.name);
            const MenuItem* item = FindMenuItem(id);
            return item ? MenuItemText(*item) : QString();
        }
    return {};
}

const char* CommandIconPath(int id)
{
    for (const auto& entry : kIcons)
        if (entry.id == id)
            return entry.path;
    return nullptr;
}

} // namespace kdx

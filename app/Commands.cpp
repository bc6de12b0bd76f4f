#include "app/Commands.h"

#include "app/EditorStrings.h"

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
    {40401, u"选择工具"},
    {0, nullptr},
    {40402, u"图象"},
    {40403, u"文字"},
    {40404, u"虚拟对象"},
    {0, nullptr},
    {40405, u"直线"},
    {40406, u"矩形"},
    {40407, u"实心矩形"},
    {40408, u"圆角矩形"},
    {40409, u"实心圆角矩形"},
    {40410, u"椭圆"},
    {40411, u"实心椭圆"},
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
    57600, 57601, 57603, 0, 57643, 57644, 0, 40550, 40552, 40551, 0, 40401, 40402, 40403,
    40404, 40405, 40406, 40407, 40408, 40409, 40410, 40411,
};

constexpr int kLayoutButtons[] = {
    40501, 40502, 40503, 40504, 0, 40505, 40506, 40507, 40508, 40509,
    40510, 40511, 40512, 0, 40513, 40514, 40515, 0, 40516, 40518,
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

struct IconEntry {
    int id;
    const char* path;
};

constexpr IconEntry kIcons[] = {
    {57600, ":/icons/file-new.svg"},       {57601, ":/icons/file-open.svg"},
    {57603, ":/icons/file-save.svg"},      {40550, ":/icons/compile.svg"},
    {40552, ":/icons/simulate.svg"},       {40551, ":/icons/upload.svg"},
    {40553, ":/icons/check.svg"},          {40554, ":/icons/check-compile.svg"},
    {40555, ":/icons/collect-pictures.svg"}, {40556, ":/icons/compile-again.svg"},
    {40401, ":/icons/tool-select.svg"},    {40402, ":/icons/tool-image.svg"},
    {40403, ":/icons/tool-text.svg"},      {40404, ":/icons/tool-custom.svg"},
    {40405, ":/icons/tool-line.svg"},      {40406, ":/icons/tool-rect.svg"},
    {40407, ":/icons/tool-rect-fill.svg"}, {40408, ":/icons/tool-round.svg"},
    {40409, ":/icons/tool-round-fill.svg"}, {40410, ":/icons/tool-ellipse.svg"},
    {40411, ":/icons/tool-ellipse-fill.svg"},
    {40501, ":/icons/z-up.svg"},           {40502, ":/icons/z-down.svg"},
    {40503, ":/icons/z-top.svg"},          {40504, ":/icons/z-bottom.svg"},
    {40505, ":/icons/align-left.svg"},     {40506, ":/icons/align-right.svg"},
    {40507, ":/icons/align-top.svg"},      {40508, ":/icons/align-bottom.svg"},
    {40509, ":/icons/center-vert.svg"},    {40510, ":/icons/center-horz.svg"},
    {40511, ":/icons/space-across.svg"},   {40512, ":/icons/space-down.svg"},
    {40513, ":/icons/same-width.svg"},     {40514, ":/icons/same-height.svg"},
    {40515, ":/icons/same-size.svg"},      {40516, ":/icons/grid.svg"},
    {40518, ":/icons/grid-snap.svg"},
    {40517, ":/icons/grid-settings.svg"},  {40600, ":/icons/help-readme.svg"},
    {57664, ":/icons/help-about.svg"},     {38000, ":/icons/page-add.svg"},
    {38001, ":/icons/page-rename.svg"},    {38002, ":/icons/page-first.svg"},
    {38003, ":/icons/page-up.svg"},        {38004, ":/icons/page-down.svg"},
    {38005, ":/icons/page-last.svg"},      {38006, ":/icons/page-delete.svg"},
    {38007, ":/icons/page-delete-all.svg"},  {57604, ":/icons/file-save-as.svg"},
    {57665, ":/icons/exit.svg"},           {57643, ":/icons/undo.svg"},
    {57644, ":/icons/redo.svg"},           {57634, ":/icons/copy.svg"},
    {57635, ":/icons/cut.svg"},            {57637, ":/icons/paste.svg"},
    {57632, ":/icons/delete.svg"},         {57642, ":/icons/select-all.svg"},
    {40100, ":/icons/pane-pages.svg"},     {40101, ":/icons/pane-properties.svg"},
    {40102, ":/icons/pane-output.svg"},
    // The custom data dialog's toolbar.
    {38040, ":/icons/data-open.svg"},     {38041, ":/icons/data-accept.svg"},
    {38042, ":/icons/data-discard.svg"},
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

const char* CommandIconPath(int id)
{
    for (const auto& entry : kIcons)
        if (entry.id == id)
            return entry.path;
    return nullptr;
}

} // namespace kdx

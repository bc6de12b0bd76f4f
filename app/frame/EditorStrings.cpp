#include "app/frame/EditorStrings.h"

#include "model/ModelStrings.h"

#include <QHash>

namespace kdx {
namespace {

struct StringEntry {
    int id;
    const char16_t* text;
};

// The editor's own texts. The model's texts (image errors, load errors,
// execute conditions, font names, status indicators) live in the model's
// table and are reached through ModelString().
constexpr StringEntry kEditorStrings[] = {
    {IDS_FRAME_TITLE, u"ZOV-[KDX触屏工程编辑V1.0 Beta]"},
    {IDS_APP_TITLE, u"KDX触屏工程编辑V1.0 Beta"},
    {IDS_IDLE_MESSAGE, u"就绪"},
    {IDS_COMPILED_FILTER, u"KDX触屏工程编译文件(*.kdpbin)|*.kdpbin|所有文件(*.*)|*.*||"},
    {IDS_COMPILE_OUTPUT_TITLE, u"编译输出文件"},
    {IDS_OLE_INIT_FAILED, u"OLE初始化失败"},
    {IDS_GDI_INIT_FAILED, u"GDI初始化失败"},
    {IDS_BAD_RESOLUTION, u"请用“宽 x 高”格式输入有效的屏幕分辨率，例如“480 x 272”，有效范围是[%d-%d] x [%d-%d]。"},
    {IDS_NO_DEPTH, u"请选择一个屏幕色深度"},
    {IDS_BAD_GRID_WIDTH, u"无效网格宽度"},
    {IDS_BAD_GRID_HEIGHT, u"无效网格高度"},
    {IDS_NO_COMPILE_PANE, u"没有可用的编译输出窗口，请等待编译完成后再试"},
    {IDS_UPLOADER_MISSING, u"未能加载上传组件，请确保“%s”在当前目录"},
    {IDS_SIMULATOR_MISSING, u"未能加载模拟组件，请确保“%s”在当前目录"},
    {IDS_PROGRAM_STARTED, u"已启动“%s”：它是独立的窗口，关闭编辑器后仍继续运行"},
    {IDS_TOO_MANY_OBJECTS, u"当前页面的对象已达上限（65534个），不能再添加新对象。"},
    {IDS_PASTE_JUMPS_CLEARED, u"已清除 %d 个粘贴对象的跳转目标（目标页面不在本工程中）"},
    {IDS_COMPILE_TAB, u"编译"},
    {IDS_PAGE_NOT_FOUND, u"未能找到对应的页面，可能该页面已经被删除"},
    {IDS_OBJECT_NOT_FOUND, u"未能找到对应的对象，可能该对象已经被删除"},
    {IDS_CANCEL_COMPILE, u"取消编译(&O)"},
    {IDS_PAGE_LIST_TAB, u"页面"},
    {IDS_PAGE_LIST_COLUMN, u"页面列表"},
    {IDS_CONFIRM_DELETE_ALL_PAGES, u"确认删除全部页面"},
    {IDS_NEW_PAGE_NAME, u"页面"},
    {IDS_PAGE_JUMPS_CLEARED, u"已清除 %d 个对象指向该页的跳转目标"},
    {ID_PAGE_ADD, u"添加新页(&N)"},
    {ID_PAGE_RENAME, u"重新命名(&R)"},
    {ID_PAGE_MOVE_FIRST, u"置为首页(&F)"},
    {ID_PAGE_MOVE_UP, u"上移(&U)"},
    {ID_PAGE_MOVE_DOWN, u"下移(&O)"},
    {ID_PAGE_MOVE_LAST, u"移到末尾(&L)"},
    {ID_PAGE_DELETE, u"删除本页(&D)"},
    {ID_PAGE_DELETE_ALL, u"全部删除(&A)"},
    {IDS_IMAGE_FILTER_ALL, u"所有支持的图象类型"},
    {IDS_PROPERTY_TAB, u"属性"},
    {IDS_BAD_POINT, u"坐标错误"},
    {IDS_BAD_NUMBER, u"数值错误"},
    {IDS_BAD_PAGE_ID, u"页面标识无效[存在相同或者数值错误(%d-%d)]，您可以考虑使用“%d”这个数值"},
    {IDS_BAD_PAGE_NAME, u"页面名称错误(存在相同)"},
    {IDS_BAD_CUSTOM_ID, u"自定标识无效[存在相同或者数值错误(%d-%d)]，您可以考虑使用“%d”这个数值"},
    {IDS_BACKGROUND_IMAGE_REPLACED, u"背景颜色取代了背景图象“%s”"},
    {IDS_FIELD_CLEARED, u"已清除%s“%s”，可用撤消恢复"},
    {IDS_MISSING_JUMP_TARGET, u"页面 %u（不存在）"},

    {IDS_UNTITLED, u"无标题"},
    {IDS_PROJECT_FILTER, u"KDX触屏工程文件(*.kdp)"},
    {IDS_ALL_FILES_FILTER, u"所有文件 (*.*)"},
    {IDS_PROJECT_TEXT_FILTER, u"KDX触屏工程文本文件(*.kdpj)"},
    {IDS_ANY_PROJECT_FILTER, u"KDX触屏工程文件和文本文件(*.kdp *.kdpj)"},
    {IDS_SAVE_CHANGES, u"是否将改动保存到 %1？"},
    {IDS_RESOLUTION_LABEL, u"尺寸(&R)："},
    {IDS_DEPTH_LABEL, u"色深(&B)："},
    {IDS_PROJECT_DIALOG_TITLE, u"新建工程"},
    {IDS_GRID_DIALOG_TITLE, u"网格设置"},
    {IDS_GRID_WIDTH_LABEL, u"宽"},
    {IDS_GRID_HEIGHT_LABEL, u"高"},
    {IDS_TAB_PAGES, u"页面"},
    {IDS_TAB_PROPERTIES, u"属性"},
    {IDS_TAB_COMPILE, u"编译"},
    {IDS_PANE_MENU_TIP, u"窗口菜单"},
    {IDS_PANE_CLOSE, u"关闭(&C)"},
    {IDS_STD_TOOLBAR, u"标准工具栏"},
    {IDS_LAYOUT_TOOLBAR, u"布局工具栏"},
    {IDS_RECENT_FILE_MISSING, u"最近的文件“%1”已不存在，已从列表中移除。"},
    {IDS_LINK_DATA_TITLE, u"自定数据"},
    {IDS_ALL_FILES_OPEN_FILTER, u"所有文件(*.*)|*.*||"},
    {IDS_DATA_OPEN_LABEL, u"打开"},
    {IDS_DATA_ACCEPT_LABEL, u"保存"},
    {IDS_DATA_DISCARD_LABEL, u"放弃"},
    {IDS_DATA_FILE_TOO_LONG, u"文件长度大于%d字节将被折断"},
    {IDS_DATA_TEXT_TOO_LONG, u"数据长度大于%d字节将被折断，后面的数据将被丢弃"},
    {IDS_DATA_FORMAT_ERROR, u"数据转换出错，请检查数据格式是否按十六进制字节方式书写，\n例如：00 01 02 03 04 FF 10 A0 CD EE EF AA B 2 80"},
    {IDS_DATA_SAVE_QUESTION, u"数据已经被修改，要保存数据吗？"},

    // Commands: status prompt, then the tool tip after "\n".
    {57600, u"新建一个工程\n新建工程"},
    {57601, u"打开一个已有的工程\n打开工程"},
    {57603, u"保存当前工程\n保存工程"},
    {57604, u"用新名字保存当前工程\n另存工程为"},
    {57616, u"打开最近使用的工程\n最近的文件"},
    {57665, u"退出程序，提示保存工程\n退出"},
    {57643, u"撤消上一步操作\n撤消"},
    {57644, u"恢复上一次撤消的操作\n恢复"},
    {57634, u"复制选中的内容\n复制"},
    {57635, u"剪切选中的内容\n剪切"},
    {57637, u"粘贴剪贴板中的内容\n粘贴"},
    {57632, u"删除选中的对象\n删除"},
    {57642, u"选中当前页面的全部对象\n全选"},
    {40100, u"显示或隐藏页面列表\n页面列表"},
    {40101, u"显示或隐藏属性窗口\n属性窗口"},
    {40102, u"显示或隐藏输出窗口\n输出窗口"},
    {40401, u"选择、移动对象或改变对象大小\n选择工具"},
    {40402, u"在页面上绘制图象对象\n图象"},
    {40403, u"在页面上绘制文字对象\n文字"},
    {40404, u"在页面上绘制虚拟对象（触摸区域）\n虚拟对象"},
    {40405, u"在页面上绘制直线\n直线"},
    {40406, u"在页面上绘制矩形\n矩形"},
    {40407, u"在页面上绘制实心矩形\n实心矩形"},
    {40408, u"在页面上绘制圆角矩形\n圆角矩形"},
    {40409, u"在页面上绘制实心圆角矩形\n实心圆角矩形"},
    {40410, u"在页面上绘制椭圆\n椭圆"},
    {40411, u"在页面上绘制实心椭圆\n实心椭圆"},
    {40501, u"将选中的对象上移一层\n上移"},
    {40502, u"将选中的对象下移一层\n下移"},
    {40503, u"将选中的对象移到顶层\n移到顶层"},
    {40504, u"将选中的对象移到底层\n移到底层"},
    {40505, u"将选中的对象左边对齐\n左对齐"},
    {40506, u"将选中的对象右边对齐\n右对齐"},
    {40507, u"将选中的对象上边对齐\n上对齐"},
    {40508, u"将选中的对象下边对齐\n下对齐"},
    {40509, u"将选中的对象在页面中上下居中\n水平居中对齐"},
    {40510, u"将选中的对象在页面中左右居中\n垂直居中对齐"},
    {40511, u"将选中的对象水平等距分布\n水平平均分布"},
    {40512, u"将选中的对象垂直等距分布\n垂直平均分布"},
    {40513, u"使选中的对象宽度相同\n等宽"},
    {40514, u"使选中的对象高度相同\n等高"},
    {40515, u"使选中的对象大小相同\n等大"},
    {40516, u"显示或隐藏网格\n网格"},
    {40517, u"设置网格的宽度和高度\n设置网格"},
    {40518, u"绘制、移动和改变大小时对齐网格线(按住Alt暂时取消)\n吸附网格"},
    {40519, u"编辑所选对象的属性\n属性"},
    {40600, u"打开使用说明\n使用说明"},
    {57664, u"显示程序的版本、Qt 版本和许可\n关于"},
    {40550, u"编译当前工程，生成编译文件\n编译"},
    {40551, u"把编译文件上传到触摸屏\n上传"},
    {40552, u"启动模拟程序演示工程\n演示"},
    {40553, u"检查工程在终端上会出错或显示不对的地方，结果显示在编译窗口中\n检查工程"},
    {40554, u"每次编译前先检查工程\n编译前检查"},
    {40555, u"把工程文件夹以外的图片复制到工程旁的images文件夹，并改为引用复制的图片\n收集图片"},
    {40556, u"按上次的输出文件重新编译当前工程\n重新编译"},
    {IDS_PICTURES_COLLECTED, u"已把%d个图片复制到“%s”：%s"},
    {IDS_PICTURES_RELINKED, u"工程的图片已改为引用“%s”中的文件"},
    {IDS_NO_PICTURES_TO_COLLECT, u"所有图片都已在工程文件夹中，无需收集"},
};

const QHash<int, QString>& EditorTable()
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> t;
        for (const auto& entry : kEditorStrings)
            t.insert(entry.id, QString::fromUtf16(entry.text));
        return t;
    }();
    return table;
}

} // namespace

bool HasEditorString(int id)
{
    return EditorTable().contains(id) || !ModelString(id).isEmpty();
}

QString EditorString(int id)
{
    const auto& table = EditorTable();
    auto it = table.constFind(id);
    if (it != table.constEnd())
        return *it;
    return ModelString(id);
}

QString FormatText(const QString& format, std::initializer_list<QVariant> args)
{
    QString out;
    auto next = args.begin();
    auto takeNext = [&]() -> QVariant { return next != args.end() ? *next++ : QVariant(); };
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar conversion = format[++i];
        switch (conversion.unicode()) {
        case u'%': out += u'%'; break;
        case u'd': out += QString::number(takeNext().toLongLong()); break;
        case u'u': out += QString::number(takeNext().toULongLong()); break;
        case u'x': out += QString::number(takeNext().toULongLong(), 16); break;
        case u'X': out += QString::number(takeNext().toULongLong(), 16).toUpper(); break;
        case u's': out += takeNext().toString(); break;
        case u'c': out += takeNext().toString().left(1); break;
        default:
            if (conversion >= u'1' && conversion <= u'9') {
                const auto index = size_t(conversion.unicode() - u'1');
                if (index < args.size())
                    out += (args.begin() + index)->toString();
            } else {
                out += c;
                out += conversion;
            }
        }
    }
    return out;
}

QString FormatString(int id, std::initializer_list<QVariant> args)
{
    return FormatText(EditorString(id), args);
}

QString CommandPrompt(int id)
{
    return EditorString(id).section(u'\n', 0, 0);
}

QString CommandToolTip(int id)
{
    const QString text = EditorString(id);
    return text.contains(u'\n') ? text.section(u'\n', 1) : QString();
}

} // namespace kdx

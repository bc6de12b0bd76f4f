#include "edit/EditStrings.h"

#include <unordered_map>

namespace kdx {

using namespace text_control;

QString EditString(int id)
{
    static const std::unordered_map<int, const char16_t*> table = {
        {ID_EDIT_UNDO, u"撤消(&U)"},
        {ID_EDIT_REDO, u"恢复(&R)"},
        {ID_EDIT_SELECT_ALL, u"全选(&A)"},
        {ID_EDIT_COLUMN_SELECT, u"列块选择(或按ALT键)(&B)"},
        {ID_EDIT_CUT, u"剪切(&T)"},
        {ID_EDIT_COPY, u"复制(&C)"},
        {ID_EDIT_PASTE, u"粘贴(&S)"},
        {ID_EDIT_CLEAR, u"清空(&D)"},
        {ID_EDIT_TOGGLE_BOOKMARK, u"设置或删除书签(&G)"},
        {ID_EDIT_NEXT_BOOKMARK, u"下一书签(&N)"},
        {ID_EDIT_PREVIOUS_BOOKMARK, u"上一书签(&P)"},
        {ID_EDIT_CLEAR_BOOKMARKS, u"删除所有书签(&M)"},
        {ID_EDIT_SHOW_RULER, u"显示标尺(&E)"},
        {ID_EDIT_SHOW_LINE_NUMBERS, u"显示行号(&L)"},
        {ID_EDIT_SHOW_WHITESPACE, u"显示空白字符(&W)"},
    };
    const auto it = table.find(id);
    return it == table.end() ? QString() : QString::fromUtf16(it->second);
}

} // namespace kdx

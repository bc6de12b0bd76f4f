#include "edit/CMyEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <optional>

#include "edit/EditStrings.h"

namespace kdx {

using namespace text_control;

CMyEdit::CMyEdit(QWidget* parent, bool scrollBars) : CMyEditCtrl(parent, scrollBars)
{
}

std::vector<int> CMyEdit::MenuItems() const
{
    return {ID_EDIT_UNDO, ID_EDIT_REDO, 0,
            ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0,
            ID_EDIT_SELECT_ALL, ID_EDIT_COLUMN_SELECT, 0,
            ID_EDIT_TOGGLE_BOOKMARK, ID_EDIT_NEXT_BOOKMARK, ID_EDIT_PREVIOUS_BOOKMARK,
            ID_EDIT_CLEAR_BOOKMARKS, 0,
            ID_EDIT_SHOW_RULER, ID_EDIT_SHOW_LINE_NUMBERS, ID_EDIT_SHOW_WHITESPACE};
}

bool CMyEdit::IsCommandEnabled(int id) const
{
    const bool hasText = TextLength() > 0;
    switch (id) {
    case ID_EDIT_UNDO:
        return CanUndo();
    case ID_EDIT_REDO:
        return CanRedo();
    case ID_EDIT_COPY:
        return HasSelection();
    case ID_EDIT_CUT:
        return !IsReadOnly() && HasSelection();
    case ID_EDIT_PASTE: {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return !IsReadOnly() && data && data->hasText();
    }
    case ID_EDIT_CLEAR:
        return !IsReadOnly() && hasText;
    case ID_EDIT_SELECT_ALL:
    case ID_EDIT_TOGGLE_BOOKMARK:
        return hasText;
    case ID_EDIT_COLUMN_SELECT:
        return WrapMode() == 0 && hasText;
    case ID_EDIT_NEXT_BOOKMARK:
    case ID_EDIT_PREVIOUS_BOOKMARK:
    case ID_EDIT_CLEAR_BOOKMARKS:
        return BookmarkCount() > 0;
    case ID_EDIT_SHOW_RULER:
    case ID_EDIT_SHOW_LINE_NUMBERS:
    case ID_EDIT_SHOW_WHITESPACE:
        return true;
    default:
        return false;
    }
}

bool CMyEdit::IsCommandChecked(int id) const
{
    switch (id) {
    case ID_EDIT_SHOW_RULER:
        return RulerShown();
    case ID_EDIT_SHOW_LINE_NUMBERS:
        return LineNumbersShown();
    case ID_EDIT_SHOW_WHITESPACE:
        return SpacesAndTabsShown();
    default:
        return false;
    }
}

bool CMyEdit::OnCommand(int id)
{
    switch (id) {
    case ID_EDIT_UNDO:
        Undo();
        break;
    case ID_EDIT_REDO:
        Redo();
        break;
    case ID_EDIT_COPY:
        Copy();
        break;
    case ID_EDIT_CUT:
        Cut();
        break;
    case ID_EDIT_PASTE:
        Paste();
        break;
    case ID_EDIT_CLEAR:
        DeleteRange(0, 0, -1, 0);
        break;
    case ID_EDIT_SELECT_ALL:
        SelectAll();
        break;
    case ID_EDIT_COLUMN_SELECT:
        RequestColumnSelection();
        break;
    case ID_EDIT_TOGGLE_BOOKMARK:
        SetBookmark(!IsBookmarked(-1), -1, true);
        break;
    case ID_EDIT_NEXT_BOOKMARK:
    case ID_EDIT_PREVIOUS_BOOKMARK: {
        const int line = id == ID_EDIT_NEXT_BOOKMARK ? NextBookmark(true) : PreviousBookmark(true);
        if (line >= 0)
            SetCaret(line, 0);
        break;
    }
    case ID_EDIT_CLEAR_BOOKMARKS:
        ClearBookmarks();
        break;
    case ID_EDIT_SHOW_RULER:
        ShowRuler(!RulerShown());
        break;
    case ID_EDIT_SHOW_LINE_NUMBERS:
        ShowLineNumbers(!LineNumbersShown());
        break;
    case ID_EDIT_SHOW_WHITESPACE:
        ShowLineEnds(!LineEndsShown());
        ShowSpacesAndTabs(!SpacesAndTabsShown());
        break;
    default:
        return false;
    }
    return true;
}

QMenu* CMyEdit::CreateContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (int id : MenuItems()) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(EditString(id));
        action->setData(id);
        action->setEnabled(IsCommandEnabled(id));
        const bool checkable = id == ID_EDIT_SHOW_RULER || id == ID_EDIT_SHOW_LINE_NUMBERS
                               || id == ID_EDIT_SHOW_WHITESPACE;
        action->setCheckable(checkable);
        action->setChecked(checkable && IsCommandChecked(id));
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    return menu;
}

void CMyEdit::ShowContextMenu(const QPoint& globalPos)
{
    QMenu* menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void CMyEdit::contextMenuEvent(QContextMenuEvent* event)
{
    // Mouse menus open on the button press; this serves the menu key.
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowContextMenu(viewport()->mapToGlobal(PointOf(GetCaret().line, GetCaret().column)));
    event->accept();
}

bool CMyEdit::HandleShortcut(QKeyEvent* event)
{
    const std::optional<EditCommand> command = FindEditShortcut(event->key(), event->modifiers());
    if (command)
        RunCommand(*command);
    return command.has_value();
}

bool CMyEdit::event(QEvent* event)
{
    // The Ctrl shortcuts belong to the control even when a window uses them.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FindEditShortcut(key->key(), key->modifiers())) {
            event->accept();
            return true;
        }
    }
    return CMyEditCtrl::event(event);
}

void CMyEdit::keyPressEvent(QKeyEvent* event)
{
    if (HandleShortcut(event)) {
        event->accept();
        return;
    }
    CMyEditCtrl::keyPressEvent(event);
}

} // namespace kdx

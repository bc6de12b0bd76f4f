#pragma once
#include <QMenu>
#include <vector>

#include "edit/CMyEditCtrl.h"

class QAction;

namespace kdx {

// The text control with its context menu, its commands and the Ctrl
// shortcuts. Owners derive from it to offer other menus.
class CMyEdit : public CMyEditCtrl {
    Q_OBJECT
public:
    explicit CMyEdit(QWidget* parent = nullptr, bool scrollBars = true);

    // Whether a command may run now, and whether it shows a check mark.
    virtual bool IsCommandEnabled(int id) const;
    virtual bool IsCommandChecked(int id) const;
    // Runs a command; false when it is not one of this control's.
    virtual bool OnCommand(int id);

    // Builds the context menu (items evaluated as when it is shown).
    QMenu* CreateContextMenu(QWidget* parent);

protected:
    // Command ids of the context menu in order; 0 is a separator.
    virtual std::vector<int> MenuItems() const;
    void ShowContextMenu(const QPoint& globalPos) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    // Handles the Ctrl shortcuts; true when the key was one of them.
    bool HandleShortcut(QKeyEvent* event);
};

} // namespace kdx

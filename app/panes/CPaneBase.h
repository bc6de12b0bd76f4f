#pragma once
#include <QDockWidget>

class QStackedWidget;
class QTabBar;
class QToolButton;

namespace kdx {

// A docking pane whose title bar is a tab strip followed by the drop-down
// menu button. Each tab shows one child window; closing a tab hides the
// pane, which the view menu can show again.
class CPaneBase : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kMenuButtonId = 6;

    CPaneBase(int id, const QSize& defaultSize, QWidget* parent = nullptr);

    int PaneId() const { return id_; }
    QSize DefaultSize() const { return defaultSize_; }

    int AddTab(QWidget* window, const QString& title);
    void SelectTab(int index);
    int TabCount() const;
    int CurrentTab() const;
    QWidget* TabWindow(int index) const;
    QTabBar* TabStrip() const { return tabs_; }
    QToolButton* MenuButton() const { return menuButton_; }

signals:
    void MiniButtonPressed(int buttonId);
    void PaneChanging(int from, int to);
    void PaneChanged(int index);
    void PaneClosing();

protected:
    // Shows the menu of a caption button below 'globalPos'; false leaves
    // the pane's own menu of tabs.
    virtual bool ShowButtonMenu(int buttonId, const QPoint& globalPos)
    {
        Q_UNUSED(buttonId);
        Q_UNUSED(globalPos);
        return false;
    }

private:
    void OnMenuButton();

    int id_;
    QSize defaultSize_;
    QTabBar* tabs_;
    QToolButton* menuButton_;
    QStackedWidget* stack_;
};

} // namespace kdx

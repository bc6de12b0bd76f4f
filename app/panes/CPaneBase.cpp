#include "app/panes/CPaneBase.h"

#include "app/frame/EditorStrings.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QMenu>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>

namespace kdx {

CPaneBase::CPaneBase(int id, const QSize& defaultSize, QWidget* parent)
    : QDockWidget(parent), id_(id), defaultSize_(defaultSize)
{
    setObjectName(QStringLiteral("Pane%1").arg(id));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);

    auto* titleBar = new QWidget(this);
    auto* layout = new QHBoxLayout(titleBar);
    layout->setContentsMargins(2, 2, 2, 0);
    layout->setSpacing(2);
    tabs_ = new QTabBar(titleBar);
    tabs_->setTabsClosable(true);
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->setDocumentMode(true);
    // The selected tab is filled with a gradient and outlined; the others
    // are separated by thin lines.
    tabs_->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 4px 6px 4px 10px; margin-top: 2px; border: 1px solid transparent;"
        " border-right: 1px solid palette(mid); border-bottom: none; }"
        "QTabBar::tab:selected { margin-top: 0px; border: 1px solid palette(dark); border-bottom: none;"
        " border-top-left-radius: 3px; border-top-right-radius: 3px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d6e4f5); }"
        "QTabBar::tab:!selected:hover { background: palette(midlight); }"));
    layout->addWidget(tabs_, 1);
    menuButton_ = new QToolButton(titleBar);
    menuButton_->setArrowType(Qt::DownArrow);
    menuButton_->setAutoRaise(true);
    menuButton_->setToolTip(EditorString(IDS_PANE_MENU_TIP));
    menuButton_->setProperty("buttonId", kMenuButtonId);
    layout->addWidget(menuButton_);
    setTitleBarWidget(titleBar);

    stack_ = new QStackedWidget(this);
    setWidget(stack_);

    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        emit PaneChanging(stack_->currentIndex(), index);
        if (index >= 0)
            stack_->setCurrentIndex(index);
        emit PaneChanged(index);
    });
    connect(tabs_, &QTabBar::tabCloseRequested, this, [this] {
        emit PaneClosing();
        hide();
    });
    connect(menuButton_, &QToolButton::clicked, this, &CPaneBase::OnMenuButton);
}

int CPaneBase::AddTab(QWidget* window, const QString& title)
{
    const int index = stack_->addWidget(window);
    tabs_->insertTab(index, title);
    // The title bar was laid out for an empty strip: measure it again.
    tabs_->setMinimumHeight(tabs_->sizeHint().height());
    titleBarWidget()->layout()->invalidate();
    titleBarWidget()->updateGeometry();
    return index;
}

void CPaneBase::SelectTab(int index)
{
    tabs_->setCurrentIndex(index);
}

int CPaneBase::TabCount() const { return tabs_->count(); }
int CPaneBase::CurrentTab() const { return tabs_->currentIndex(); }
QWidget* CPaneBase::TabWindow(int index) const { return stack_->widget(index); }

void CPaneBase::OnMenuButton()
{
    emit MiniButtonPressed(kMenuButtonId);
    const QPoint below = menuButton_->mapToGlobal(QPoint(0, menuButton_->height()));
    if (ShowButtonMenu(kMenuButtonId, below))
        return;
    // The pane's own menu: its tabs to choose from, then closing the pane.
    QMenu menu(this);
    for (int i = 0; i < tabs_->count(); ++i) {
        QAction* action = menu.addAction(tabs_->tabText(i), this, [this, i] { SelectTab(i); });
        action->setCheckable(true);
        action->setChecked(i == tabs_->currentIndex());
    }
    menu.addSeparator();
    menu.addAction(EditorString(IDS_PANE_CLOSE), this, [this] {
        emit PaneClosing();
        hide();
    });
    menu.exec(below);
}

} // namespace kdx

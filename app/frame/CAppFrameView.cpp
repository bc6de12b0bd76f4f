// The main frame's part in working on the page: snapping to the grid, the
// page's context menu and the way from there to the property pane, the
// page point under the mouse, and the help menu.
#include "app/frame/CAppFrame.h"

#include "app/panes/CPageList.h"
#include "app/page/CPageView.h"
#include "app/frame/CommandRegistry.h"
#include "app/frame/Commands.h"
#include "app/frame/CMyStatusBar.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "app/page/PageCommands.h"
#include "app/props/CPaneProp.h"
#include "app/props/CPropList.h"
#include "app/props/CPropBase.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

namespace kdx {
namespace {

constexpr char kSnapToGridKey[] = "SnapToGrid";
constexpr char kReadmeName[] = "README.md";
const char16_t kAlignmentMenuText[] = u"对齐(&A)";
const char16_t kPropertiesText[] = u"属性(&R)";

} // namespace

void CAppFrame::RegisterViewCommands()
{
    m_snapToGrid = EditorSettings()->value(QLatin1String(kSnapToGridKey), true).toBool();
    m_commands->Add(ID_GRID_SNAP, [this] { SetSnapToGrid(!m_snapToGrid); }, [this] { return HasCurrentPage(); },
               [this] { return m_snapToGrid; });
    m_commands->Add(ID_EDIT_PROPERTIES, [this] { FocusProperties(); }, [this] { return HasCurrentPage(); });
    m_commands->Add(ID_APP_ABOUT, [this] { ShowAbout(); }, [] { return true; });
    m_commands->Add(ID_HELP_README, [this] { OpenReadme(); }, [] { return true; });
    // The page list's commands, also in the 工程 menu.
    for (int id : CPageList::MenuItems()) {
        if (id == 0)
            continue;
        m_commands->Add(id, [this, id] {
            if (CPageList* list = PageList())
                list->ExecuteCommand(id);
        }, [this, id] {
            const CPageList* list = PageList();
            return list && list->IsCommandEnabled(id);
        });
    }
}

CPageList* CAppFrame::PageList() const
{
    auto* pane = qobject_cast<CPaneWorkspace*>(pageListPane_);
    return pane ? pane->PageList() : nullptr;
}

void CAppFrame::SetSnapToGrid(bool on)
{
    m_snapToGrid = on;
    EditorSettings()->setValue(QLatin1String(kSnapToGridKey), on);
    if (auto* view = qobject_cast<CPageView*>(pageView_ ? pageView_->ViewWidget() : nullptr))
        view->PageWindow()->SetSnapToGrid(on);
    UpdateCommandUI();
}

void CAppFrame::ConnectPageView(CPageView* view)
{
    if (!view)
        return;
    view->PageWindow()->SetSnapToGrid(m_snapToGrid);
    connect(view, &CPageView::ContextMenuRequested, this, &CAppFrame::ShowPageContextMenu, Qt::UniqueConnection);
    connect(view, &CPageView::PointerMoved, this, &CAppFrame::ShowPointer, Qt::UniqueConnection);
    if (auto* pane = qobject_cast<CPaneProp*>(propertyPane_))
        connect(view, &CPageView::PropertyObjectChanged, pane, &CPaneProp::ShowObject, Qt::UniqueConnection);
}

void CAppFrame::ShowPointer(std::optional<QPoint> pagePoint)
{
    const int pane = statusBar_->IndexOf(kPointerPane);
    statusBar_->SetPaneText(pane, pagePoint ? QStringLiteral(" %1,%2 ").arg(pagePoint->x()).arg(pagePoint->y())
                                            : QString());
}

QString CAppFrame::ReadmePath()
{
    // Installed beside the programs' documentation, or the checkout's own
    // when run from the build folder.
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {programs.filePath(QStringLiteral("../share/doc/kdx-panel-tools/")),
                                     programs.filePath(QStringLiteral("../../"))}) {
        const QFileInfo readme(QDir(candidate).filePath(QLatin1String(kReadmeName)));
        if (readme.isFile())
            return readme.canonicalFilePath();
    }
    return {};
}

QString CAppFrame::AboutText()
{
    const QString readme = ReadmePath();
    QString text = QStringLiteral("<p><b>%1</b></p><p>版本 %2<br>Qt 版本 %3（编译时 %4）</p>"
                                  "<p>本程序使用 Qt 库，Qt 依照 GNU LGPL 第 3 版许可使用。</p>")
                       .arg(EditorString(IDS_APP_TITLE).toHtmlEscaped(), QStringLiteral(KDX_VERSION),
                            QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
    if (!readme.isEmpty())
        text += QStringLiteral("<p><a href=\"%1\">使用说明（README）</a></p>")
                    .arg(QUrl::fromLocalFile(readme).toString().toHtmlEscaped());
    return text;
}

void CAppFrame::ShowAbout()
{
    QMessageBox box(QMessageBox::Information, EditorString(IDS_APP_TITLE), AboutText(), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setTextFormat(Qt::RichText);
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
    box.setIconPixmap(windowIcon().pixmap(64, 64));
    box.exec();
}

void CAppFrame::OpenReadme()
{
    const QString readme = ReadmePath();
    if (readme.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(readme)))
        ShowStatusMessage(3, QStringLiteral("找不到使用说明“%1”").arg(QLatin1String(kReadmeName)));
}

QMenu* CAppFrame::BuildPageContextMenu()
{
    if (!m_commands->Action(ID_EDIT_PROPERTIES))
        m_commands->MakeAction(ID_EDIT_PROPERTIES, QString::fromUtf16(kPropertiesText), nullptr);
    UpdateCommandUI();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PageContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto fill = [this](QMenu* target, std::span<const int> ids) {
        for (int id : ids) {
            if (id == 0)
                target->addSeparator();
            else if (QAction* action = m_commands->Action(id))
                target->addAction(action);
        }
    };
    for (int id : PageContextMenu()) {
        if (id < 0)
            fill(menu->addMenu(QString::fromUtf16(kAlignmentMenuText)), AlignmentSubmenu());
        else
            fill(menu, std::span<const int>(&id, 1));
    }
    return menu;
}

void CAppFrame::ShowPageContextMenu(const QPoint& globalPos)
{
    BuildPageContextMenu()->popup(globalPos);
}

void CAppFrame::FocusProperties()
{
    // The pane shows the single selection's page, or the page's own.
    propertyPane_->show();
    propertyPane_->raise();
    CPropList* list = propertyPane_->findChild<CPropList*>();
    CPropBase* page = list ? list->ShownPage() : nullptr;
    if (!page)
        return;
    for (QWidget* control : page->ValueControls())
        if (control->isEnabled() && control->focusPolicy() != Qt::NoFocus) {
            control->setFocus(Qt::OtherFocusReason);
            return;
        }
}

} // namespace kdx

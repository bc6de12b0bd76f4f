#include "app/frame/CAppFrame.h"

#include "app/dialogs/CDlgGrid.h"
#include "app/dialogs/CDlgProject.h"
#include "app/frame/CMyStatusBar.h"
#include "app/page/CPageView.h"
#include "app/frame/ZoomBox.h"
#include "app/panes/CPageList.h"
#include "app/panes/CPaneCompile.h"
#include "app/panes/CPaneOutput.h"
#include "app/frame/CommandIcons.h"
#include "app/frame/CommandRegistry.h"
#include "app/frame/CompileCommands.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/FileFilters.h"
#include "app/frame/Messages.h"
#include "app/page/PageCommands.h"
#include "app/page/ObjectClipboard.h"
#include "app/frame/UndoHistory.h"
#include "app/props/CPaneProp.h"
#include "app/props/PropDialogs.h"
#include "model/ModelStrings.h"
#include "model/PageDoc.h"
#include "model/ProjectRecord.h"
#include "model/PicturePaths.h"
#include "model/ProjectText.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace kdx {
namespace {

constexpr const char* kBarStateKey = "BarState";
constexpr const char* kGeometryKey = "WindowGeometry";
constexpr QSize kToolButtonSize(31, 30);
constexpr QSize kToolImageSize(24, 24);

QString ProjectFilter()
{
    return QStringList{EditorString(IDS_ANY_PROJECT_FILTER), EditorString(IDS_PROJECT_FILTER),
                       EditorString(IDS_PROJECT_TEXT_FILTER), EditorString(IDS_ALL_FILES_FILTER)}
        .join(QStringLiteral(";;"));
}

Color ToColorRef(const QColor& color)
{
    return Color(color.red()) | Color(color.green()) << 8 | Color(color.blue()) << 16;
}

} // namespace

CAppFrame::CAppFrame(QWidget* parent)
    : QMainWindow(parent), m_documents(std::make_unique<CDocumentManager>(*this))
{
    setObjectName(QStringLiteral("CAppFrame"));
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    m_commands = new CCommandRegistry(this);
    connect(m_commands, &CCommandRegistry::Triggered, this, &CAppFrame::ExecuteCommand);
    CCompileCommands::Hooks compileHooks;
    compileHooks.askOutputPath = [this](const QString& proposal) { return AskCompileOutputPath(proposal); };
    compileHooks.freeCompilePane = [this] { return ShowFreeCompilePane(); };
    compileHooks.started = [this] { UpdateCommandUI(); };
    m_compile = std::make_unique<CCompileCommands>(*m_documents, this, std::move(compileHooks));
    Document().AddObserver(this);
    CreateEditSupport();
    Document().currentLineColor = ToColorRef(palette().color(QPalette::WindowText));
    Document().currentFillColor = Document().currentLineColor;
    Document().SetNewPageName(EditorString(IDS_NEW_PAGE_NAME)); // "页面 1", "页面 2", ...

    auto* placeholder = new QWidget(this);
    placeholder->setObjectName(QStringLiteral("ViewPlaceholder"));
    placeholder->setBackgroundRole(QPalette::Dark);
    placeholder->setAutoFillBackground(true);
    setCentralWidget(placeholder);

    CreateStatusBar();
    RegisterCommands();
    CreateMenus();
    CreateToolBars();
    CreatePanes();

    auto settings = EditorSettings();
    resize(1024, 720);
    restoreGeometry(settings->value(QLatin1String(kGeometryKey)).toByteArray());
    restoreState(settings->value(QLatin1String(kBarStateKey)).toByteArray());

    // F10 alone enters and leaves the menu bar's keyboard mode, as Alt does.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, &CAppFrame::ToggleMenuKeyboardMode);

    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &CAppFrame::UpdateCommandUI);
    idle->start(kIdleUpdateMs);

    const CDocumentManager* documents = m_documents.get();
    connect(documents, &CDocumentManager::ProjectReplaced, this, &CAppFrame::SelectDefaultTool);
    connect(documents, &CDocumentManager::PathChanged, this, &CAppFrame::UpdateCaption);
    connect(documents, &CDocumentManager::ProjectStarted, this, &CAppFrame::StartEditSession);
    connect(documents, &CDocumentManager::Saved, this, &CAppFrame::UpdateCommandUI);
    m_documents->NewBlankProject();
}

CAppFrame::~CAppFrame()
{
    // A running compilation reports into the compile pane: it ends while
    // every window is still whole.
    if (compilePane_)
        compilePane_->CancelCompile();
    // Child windows still report while they are destroyed; the rules they
    // would run use members that are already gone.
    for (QObject* child : children())
        disconnect(child, nullptr, this, nullptr);
    disconnect(&History(), nullptr, this, nullptr);
    disconnect(m_documents.get(), nullptr, this, nullptr);
    if (StatusMessageTarget() == statusBar_)
        SetStatusMessageTarget(nullptr);
    // The frame stops listening first: a window that goes writes back what
    // it was editing, and the frame's own windows may already be gone.
    Document().RemoveObserver(this);
    // The windows go before the document they show.
    pageView_ = nullptr;
    const auto windows = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* window : windows)
        delete window;
}

void CAppFrame::CreateStatusBar()
{
    statusBar_ = new CMyStatusBar(this);
    statusBar_->SetPanes({0, kPointerPane, kVersionPane, kResolutionPane, kDepthPane});
    zoomBox_ = new CZoomBox(statusBar_);
    zoomBox_->setEnabled(false); // until a page view is shown
    statusBar_->SetTrailingWidget(zoomBox_);
    setStatusBar(statusBar_);
    SetStatusMessageTarget(statusBar_);
}

QAction* CAppFrame::Action(int id) const
{
    return m_commands->Action(id);
}

void CAppFrame::CreateMenus()
{
    // The tools are one choice: they show as radio items.
    auto* tools = new QActionGroup(this);
    tools->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("1000"));
    for (const TopMenu& top : MainMenu()) {
        QMenu* menu = bar->addMenu(QString::fromUtf16(top.text));
        connect(menu, &QMenu::aboutToShow, this, &CAppFrame::UpdateCommandUI);
        for (const MenuItem& item : top.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = m_commands->MakeAction(item.id, MenuItemText(item), item.shortcut);
            menu->addAction(action);
            if (item.id >= ID_TOOL_FIRST && item.id <= ID_TOOL_LAST)
                tools->addAction(action);
            if (item.id == ID_FILE_MRU_FIRST) {
                fileMenu_ = menu;
                connect(menu, &QMenu::aboutToShow, this, &CAppFrame::RebuildRecentMenu);
            }
        }
    }
}

void CAppFrame::CreateToolBars()
{
    const auto build = [this](QToolBar* bar, const QString& name, int id, std::span<const int> buttons) {
        bar->setObjectName(name);
        bar->setWindowTitle(EditorString(id));
        bar->setIconSize(kToolImageSize);
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        for (int commandId : buttons) {
            if (commandId == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* action = m_commands->Action(commandId);
            bar->addAction(action);
            if (QWidget* button = bar->widgetForAction(action))
                button->setFixedSize(kToolButtonSize);
        }
    };
    standardBar_ = new QToolBar(this);
    build(standardBar_, QStringLiteral("BarStd"), IDS_STD_TOOLBAR, StandardToolbarButtons());
    addToolBar(Qt::TopToolBarArea, standardBar_);
    addToolBarBreak(Qt::TopToolBarArea);
    layoutBar_ = new QToolBar(this);
    build(layoutBar_, QStringLiteral("BarLayout"), IDS_LAYOUT_TOOLBAR, LayoutToolbarButtons());
    addToolBar(Qt::TopToolBarArea, layoutBar_);
}

void CAppFrame::CreatePanes()
{
    outputPane_ = new CPaneOutput(kOutputPane, QSize(300, 200), this);
    outputPane_->setWindowTitle(EditorString(IDS_TAB_COMPILE));
    pageListPane_ = new CPaneWorkspace(kPageListPane, QSize(200, 300), &Document(), this);
    pageListPane_->setWindowTitle(EditorString(IDS_TAB_PAGES));
    propertyPane_ = new CPaneProp(kPropertyPane, QSize(200, 300), &Document(), this);
    propertyPane_->setWindowTitle(EditorString(IDS_TAB_PROPERTIES));
    // Image objects and page backgrounds ask for their files through the
    // document; the dialog starts in the folder it last used, at first in
    // the project's. A picture in the project's folder is kept relative to it.
    Document().SetImageChooser([this](const QString& currentPath) -> std::optional<QString> {
        const QString folder = Document().ProjectFolder();
        if (folders_.imageFolder.isEmpty())
            folders_.imageFolder = folder;
        const auto chosen = ChooseImageFile(this, ResolvedPicturePath(currentPath, folder), folders_.imageFolder);
        if (!chosen)
            return std::nullopt;
        return StoredPicturePath(*chosen, folder);
    });

    addDockWidget(Qt::BottomDockWidgetArea, outputPane_);
    addDockWidget(Qt::LeftDockWidgetArea, pageListPane_);
    addDockWidget(Qt::RightDockWidgetArea, propertyPane_);
    resizeDocks({pageListPane_, propertyPane_}, {200, 200}, Qt::Horizontal);
    resizeDocks({outputPane_}, {200}, Qt::Vertical);
    outputPane_->hide();

    for (CPaneBase* pane : {pageListPane_, propertyPane_, static_cast<CPaneBase*>(outputPane_)})
        connect(pane, &QDockWidget::visibilityChanged, this, &CAppFrame::UpdateCommandUI);
}

CPaneCompile* CAppFrame::CreateCompilePane()
{
    if (!compilePane_) {
        compilePane_ = new CPaneCompile(outputPane_);
        compilePane_->setObjectName(QStringLiteral("CompilePane"));
        // The page view makes located objects its selection through
        // compilePane_->SetObjectSelector once it exists.
        compilePane_->SetDocument(&Document());
        outputPane_->SetCompilePane(compilePane_, compilePane_);
        // The simulator opens the file of the last successful compile.
        connect(compilePane_, &CPaneCompile::TextAppended, this, [this](const QString& text) {
            m_compile->OnCompileText(text);
        });
    }
    return compilePane_;
}

CPaneCompile* CAppFrame::CompilePane() const
{
    return compilePane_;
}

void CAppFrame::RegisterCommands()
{
    const auto always = [] { return true; };
    m_commands->Add(ID_FILE_NEW, [this] { OnFileNew(); }, always);
    m_commands->Add(ID_FILE_OPEN, [this] { m_documents->OpenAsked(); }, always);
    m_commands->Add(ID_FILE_SAVE, [this] { m_documents->Save(); },
               [this] { return Document().IsModified() || Document().HasPendingEdits(); });
    m_commands->Add(ID_FILE_SAVE_AS, [this] { m_documents->SaveAs(); }, always);
    m_commands->Add(ID_FILE_MRU_FIRST, [this] { m_documents->OpenRecent(0); },
                    [this] { return !RecentFiles().isEmpty(); });
    m_commands->Add(ID_APP_EXIT, [this] { close(); }, always);
    RegisterEditCommands();

    const auto paneCommand = [this](int id, CPaneBase* CAppFrame::*pane) {
        m_commands->Add(id, [this, pane] { TogglePane(this->*pane); }, [] { return true; },
                   [this, pane] { return (this->*pane) && (this->*pane)->isVisible(); });
    };
    paneCommand(ID_VIEW_PAGE_LIST, &CAppFrame::pageListPane_);
    paneCommand(ID_VIEW_PROPERTIES, &CAppFrame::propertyPane_);
    m_commands->Add(ID_VIEW_OUTPUT, [this] { TogglePane(outputPane_); }, always,
               [this] { return outputPane_ && outputPane_->isVisible(); });

    const auto canCompile = [this] { return Document().PageCount() > 0 && !(outputPane_ && outputPane_->IsCompiling()); };
    m_compile->Register(*m_commands, canCompile);
    m_commands->Add(ID_PROJECT_COLLECT_PICTURES, [this] { OnCollectPictures(); }, [this] { return Document().PageCount() > 0; });
    RegisterPageCommands();
}

void CAppFrame::RegisterPageCommands()
{
    // Drawing and layout commands are carried out by the page view; their
    // rules need the selection count n, a current page and the count m of
    // objects on it.
    const auto forward = [this](int id) { return PageViewCommand(id); };
    const auto rule = [this](auto test) {
        return [this, test] { return HasCurrentPage() && test(SelectionCount(), CurrentPageObjectCount()); };
    };
    for (int id = ID_TOOL_FIRST; id <= ID_TOOL_LAST; ++id) {
        m_commands->Add(id, [this, id] {
            if (pageView_)
                pageView_->OnPageCommand(id);
            else
                fallbackTool_ = id;
        }, rule([](int, int) { return true; }), [this, id] {
            return (pageView_ ? pageView_->CurrentToolCommand() : fallbackTool_) == id;
        });
    }
    for (int id = ID_LAYOUT_UP; id <= ID_LAYOUT_BOTTOM; ++id)
        m_commands->Add(id, forward(id), rule([](int n, int m) { return n == 1 && m > 1; }));
    for (int id = ID_ALIGN_LEFT; id <= ID_ALIGN_BOTTOM; ++id)
        m_commands->Add(id, forward(id), rule([](int n, int) { return n > 1; }));
    for (int id : {ID_CENTER_VERT, ID_CENTER_HORZ})
        m_commands->Add(id, forward(id), rule([](int n, int) { return n > 0; }));
    for (int id : {ID_SPACE_ACROSS, ID_SPACE_DOWN})
        m_commands->Add(id, forward(id), rule([](int n, int) { return n > 2; }));
    for (int id = ID_SAME_WIDTH; id <= ID_SAME_SIZE; ++id)
        m_commands->Add(id, forward(id), rule([](int n, int) { return n > 1; }));
    m_commands->Add(ID_GRID_SHOW, forward(ID_GRID_SHOW), rule([](int, int) { return true; }),
               [this] { return pageView_ && pageView_->IsGridShown(); });
    m_commands->Add(ID_GRID_SETTINGS, [this] { OnGridSettings(); }, rule([](int, int) { return true; }));
    RegisterViewCommands();
}

std::function<void()> CAppFrame::PageViewCommand(int id)
{
    return [this, id] {
        if (pageView_)
            pageView_->OnPageCommand(id);
    };
}

void CAppFrame::SetPageView(IPageCommandTarget* view)
{
    pageView_ = view;
    if (view && view->ViewWidget())
        setCentralWidget(view->ViewWidget());
    ConnectZoomBox(view ? qobject_cast<CPageView*>(view->ViewWidget()) : nullptr);
    ConnectPageView(view ? qobject_cast<CPageView*>(view->ViewWidget()) : nullptr);
    UpdateCommandUI();
}

void CAppFrame::ConnectZoomBox(CPageView* view)
{
    // The box and the view's keys and wheel show and set one scale.
    disconnect(zoomBox_, &CZoomBox::PercentChosen, nullptr, nullptr);
    if (zoomView_)
        disconnect(zoomView_, &CPageView::ZoomChanged, zoomBox_, nullptr);
    zoomView_ = view;
    zoomBox_->setEnabled(view != nullptr);
    if (!view)
        return;
    zoomBox_->ShowPercent(view->ZoomPercent());
    connect(view, &CPageView::ZoomChanged, zoomBox_, &CZoomBox::ShowPercent);
    connect(zoomBox_, &CZoomBox::PercentChosen, view, [view](int percent) {
        view->SetZoomPercent(percent);
        view->PageWindow()->setFocus(Qt::OtherFocusReason);
    });
}

int CAppFrame::SelectionCount() const { return pageView_ ? pageView_->SelectionCount() : 0; }
bool CAppFrame::HasCurrentPage() const { return Document().CurrentPage() != nullptr; }

int CAppFrame::CurrentPageObjectCount() const
{
    const CPage* page = Document().CurrentPage();
    return page ? int(page->Objects().size()) : 0;
}

void CAppFrame::UpdateCommandUI()
{
    m_commands->UpdateActions();
    UpdateUndoTexts();
}

void CAppFrame::ExecuteCommand(int id)
{
    // The editing keys of a focused text field are that field's.
    if (ForwardToFocusedText(id))
        return;
    // What was typed but not committed goes into the project before any
    // command acts on it; a refused value (its message shows) stops it.
    if (!Document().CommitEdits())
        return;
    if (!m_commands->IsEnabled(id))
        return;
    {
        // A command that changes the project is one undo step of its name.
        const QString step = UndoStepName(id);
        std::optional<CPageDoc::StepScope> scope;
        if (!step.isEmpty())
            scope.emplace(Document(), step);
        m_commands->Run(id);
    }
    UpdateCommandUI();
}

void CAppFrame::ToggleMenuKeyboardMode()
{
    // The menu bar watches its window for a lone Alt; hand it one so that
    // its own keyboard navigation takes over.
    // (A key event of Alt itself reports its modifiers with Alt toggled.)
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QApplication::sendEvent(this, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    QApplication::sendEvent(this, &release);
}

void CAppFrame::TogglePane(CPaneBase* pane)
{
    pane->setVisible(!pane->isVisible());
    UpdateCommandUI();
}

// ---------------------------------------------------------------- documents

void CAppFrame::SelectDefaultTool()
{
    fallbackTool_ = ID_TOOL_SELECT;
    if (pageView_)
        pageView_->OnPageCommand(ID_TOOL_SELECT);
}

void CAppFrame::OnFileNew()
{
    CDlgProject dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_documents->NewProject(dialog.Width(), dialog.Height(), dialog.ColorDepth());
}

QString CAppFrame::AskOpenPath()
{
    return QFileDialog::getOpenFileName(this, QString(), QString(), ProjectFilter());
}

QString CAppFrame::AskSavePath(const QString& suggestion)
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Both forms are offered; the one the project is in comes first chosen.
    const QString fileFilter = EditorString(IDS_PROJECT_FILTER);
    const QString textFilter = EditorString(IDS_PROJECT_TEXT_FILTER);
    auto suffixFor = [textFilter](const QString& filter) {
        return filter == textFilter ? QStringLiteral("kdpj") : QStringLiteral("kdp");
    };
    dialog.setNameFilters({fileFilter, textFilter});
    const QString current = IsProjectTextPath(suggestion) ? textFilter : fileFilter;
    dialog.selectNameFilter(current);
    dialog.setDefaultSuffix(suffixFor(current));
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, suffixFor](const QString& filter) { dialog.setDefaultSuffix(suffixFor(filter)); });
    dialog.selectFile(suggestion);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString CAppFrame::AskCompileOutputPath(const QString& proposal)
{
    QFileDialog dialog(this, EditorString(IDS_COMPILE_OUTPUT_TITLE), QFileInfo(proposal).absolutePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ConvertFilter(EditorString(IDS_COMPILED_FILTER)));
    dialog.setDefaultSuffix(QStringLiteral("kdpbin"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(QFileInfo(proposal).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool CAppFrame::OpenDocumentFile(const QString& path)
{
    return m_documents->Open(path);
}

CAppFrame::Answer CAppFrame::AskSaveChanges(const QString& name)
{
    const auto answer = ShowMessageBox(this, IDS_SAVE_CHANGES, QMessageBox::Question,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, {name});
    if (answer == QMessageBox::Yes)
        return Answer::kSave;
    return answer == QMessageBox::No ? Answer::kDiscard : Answer::kCancel;
}

void CAppFrame::ShowFileMessage(const QString& text, Severity severity)
{
    ShowMessageText(this, text, severity == Severity::kError ? QMessageBox::Critical : QMessageBox::Warning);
}

void CAppFrame::OnCollectPictures()
{
    Document().CommitEdits();
    if (PathName().isEmpty() && !m_documents->Save())
        return;
    const CollectedPictures result = Document().CollectPictures();
    const QString folder = QString::fromLatin1(kCollectedPictureFolder);
    if (!result.copied.isEmpty())
        ShowStatusMessage(kStatusSuccess, IDS_PICTURES_COLLECTED,
                          {int(result.copied.size()), folder, result.copied.join(QStringLiteral("、"))});
    else if (result.rewritten > 0)
        ShowStatusMessage(kStatusInfo, IDS_PICTURES_RELINKED, {folder});
    else if (result.failures.isEmpty())
        ShowStatusMessage(kStatusInfo, IDS_NO_PICTURES_TO_COLLECT);
    if (!result.failures.isEmpty())
        ShowMessageText(this, result.failures.join(QStringLiteral("\n")), QMessageBox::Warning);
}

void CAppFrame::UpdateCaption()
{
    setWindowTitle(EditorString(IDS_FRAME_TITLE) + QStringLiteral(" - ") + Document().ShownTitle());
}

void CAppFrame::UpdateIndicators()
{
    const FileHeader& header = Document().header;
    statusBar_->SetPaneText(statusBar_->IndexOf(kVersionPane),
                            FormatString(kStrStatusVersion, {header.MajorVersion(), header.MinorVersion()}));
    statusBar_->SetPaneText(statusBar_->IndexOf(kResolutionPane),
                            FormatString(kStrStatusResolution, {header.width, header.height}));
    statusBar_->SetPaneText(statusBar_->IndexOf(kDepthPane),
                            FormatString(kStrStatusColorDepth, {header.colorDepth}));
}

// ------------------------------------------------------------- recent files

void CAppFrame::RebuildRecentMenu()
{
    // The list's first entry carries the placeholder command; further
    // entries get the following ids.
    QAction* first = m_commands->Action(ID_FILE_MRU_FIRST);
    qDeleteAll(recentActions_);
    recentActions_.clear();
    const QStringList files = RecentFiles();
    if (files.isEmpty()) {
        first->setText(QString::fromUtf16(FindMenuItem(ID_FILE_MRU_FIRST)->text));
        first->setEnabled(false);
        return;
    }
    const auto label = [&files](int i) {
        return QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i]));
    };
    first->setText(label(0));
    first->setEnabled(true);
    QAction* before = nullptr;
    const QList<QAction*> menuActions = fileMenu_->actions();
    const qsizetype at = menuActions.indexOf(first);
    if (at + 1 < menuActions.size())
        before = menuActions[at + 1];
    for (int i = 1; i < files.size(); ++i) {
        auto* action = new QAction(label(i), fileMenu_);
        action->setData(ID_FILE_MRU_FIRST + i);
        action->setStatusTip(CommandPrompt(ID_FILE_MRU_FIRST));
        connect(action, &QAction::triggered, this, [this, i] { m_documents->OpenRecent(i); });
        fileMenu_->insertAction(before, action);
        recentActions_ << action;
    }
}

// ------------------------------------------------------------ compile, grid

ICompilePane* CAppFrame::ShowFreeCompilePane()
{
    ICompilePane* pane = outputPane_->AcquireCompilePane();
    if (!pane) {
        ShowStatusMessage(kStatusError, IDS_NO_COMPILE_PANE);
        return nullptr;
    }
    outputPane_->SelectTab(CPaneOutput::kCompileTab);
    outputPane_->show();
    return pane;
}

void CAppFrame::OnGridSettings()
{
    CDlgGrid dialog(int(Document().view.gridWidth), int(Document().view.gridHeight), this);
    if (dialog.exec() == QDialog::Accepted)
        Document().SetGridSize(uint32_t(dialog.GridWidth()), uint32_t(dialog.GridHeight()));
}

// ---------------------------------------------------------- window events

void CAppFrame::closeEvent(QCloseEvent* event)
{
    if (!m_documents->SaveModified()) {
        event->ignore();
        return;
    }
    // The compiler is asked to stop and its monitor has ended before the
    // windows go.
    if (compilePane_)
        compilePane_->CancelCompile();
    EditorSettings()->setValue(QLatin1String(kBarStateKey), saveState());
    EditorSettings()->setValue(QLatin1String(kGeometryKey), saveGeometry());
    event->accept();
}

bool CAppFrame::event(QEvent* event)
{
    // A shortcut is matched against the enabled commands after this: their
    // rules see the field being typed in (a typed value makes saving possible).
    if (event->type() == QEvent::ShortcutOverride)
        UpdateCommandUI();
    return QMainWindow::event(event);
}

void CAppFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CAppFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            OpenDocumentFile(url.toLocalFile());
}

// ------------------------------------------------------------ doc observer

void CAppFrame::OnModifiedChanged(bool)
{
    UpdateCaption();
}

void CAppFrame::OnUpdate(UpdateHint, CDrawObj*)
{
    UpdateIndicators();
}

void CAppFrame::OnPagesChanged()
{
    UpdateCommandUI();
}

void CAppFrame::OnPictureUnreadable(const QString& path)
{
    ShowStatusMessage(kStatusError, PictureUnreadableText(path));
}

} // namespace kdx

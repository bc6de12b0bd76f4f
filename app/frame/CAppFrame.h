#pragma once
#include "app/frame/Commands.h"
#include "app/frame/DocumentManager.h"
#include "app/frame/EditorSettings.h"
#include "model/DocObserver.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QToolBar;


namespace kdx {

class CCommandRegistry;
class CCompileCommands;
class CMyStatusBar;
class CPageList;
class CPageView;
class CZoomBox;
class CPaneBase;
class CPaneCompile;
class CPaneOutput;
class ICompilePane;
class CPageDoc;
class CObjectClipboard;
class CUndoHistory;
class IPageCommandTarget;

// The editor's main window: menu, two toolbars, the page list, property and
// output panes, the status bar, and the commands that work on the project
// its document manager holds.
class CAppFrame : public QMainWindow, public IDocObserver, public IDocumentQuestions {
    Q_OBJECT
public:
    static constexpr int kIdleUpdateMs = 200;
    enum PaneId { kPageListPane = 1004, kPropertyPane = 1005, kOutputPane = 1006 };
    enum StatusPane { kVersionPane = 22000, kResolutionPane = 22001, kDepthPane = 22002, kPointerPane = 22003 };

    // Folders remembered until the program exits.
    struct LastDirectories {
        QString imageFolder;
    };

    explicit CAppFrame(QWidget* parent = nullptr);
    ~CAppFrame() override;

    // The open project: its document, undo history, path and files.
    CDocumentManager& Documents() { return *m_documents; }
    CPageDoc& Document() { return m_documents->Document(); }
    const CPageDoc& Document() const { return m_documents->Document(); }
    CUndoHistory& History() { return m_documents->History(); }
    CObjectClipboard& Clipboard() { return *clipboard_; }
    const QString& PathName() const { return m_documents->PathName(); }
    LastDirectories& Folders() { return folders_; }

    // The commands of the menus, toolbars and shortcuts, by command id.
    CCommandRegistry& Commands() { return *m_commands; }
    QAction* Action(int id) const;
    QToolBar* StandardBar() const { return standardBar_; }
    QToolBar* LayoutBar() const { return layoutBar_; }
    CMyStatusBar* StatusBar() const { return statusBar_; }
    CZoomBox* ZoomBox() const { return zoomBox_; }
    CPaneBase* PageListPane() const { return pageListPane_; }
    CPaneBase* PropertyPane() const { return propertyPane_; }
    CPaneOutput* OutputPane() const { return outputPane_; }
    // Puts the compile pane into the output pane (done once at start-up);
    // until then the compile command finds no pane to compile in.
    CPaneCompile* CreateCompilePane();
    CPaneCompile* CompilePane() const;

    // The page view takes the centre of the frame and answers the drawing
    // and layout commands.
    void SetPageView(IPageCommandTarget* view);

    // Drawing, moving and resizing snap to the grid (remembered).
    void SetSnapToGrid(bool on);
    bool SnapsToGrid() const { return m_snapToGrid; }
    // The menu a right click on the page opens, made anew each time.
    QMenu* BuildPageContextMenu();
    // The help menu: the README found for this installation (empty when
    // none is) and the about box's text.
    static QString ReadmePath();
    static QString AboutText();

    // Evaluates every command's enable and check rule.
    void UpdateCommandUI();
    // Runs a command as the menu would; disabled commands do nothing.
    void ExecuteCommand(int id);

    // Opens a project in the window (the command line, a dropped file).
    bool OpenDocumentFile(const QString& path);
    QStringList RecentFiles() const { return m_documents->RecentFiles(); }
    void UpdateCaption();
    void UpdateIndicators();

    // IDocObserver
    void OnModifiedChanged(bool modified) override;
    void OnUpdate(UpdateHint hint, CDrawObj* object) override;
    void OnPagesChanged() override;
    void OnPictureUnreadable(const QString& path) override;

protected:
    // Where the user is asked for file names; tests answer them directly.
    QString AskOpenPath() override;
    QString AskSavePath(const QString& suggestion) override;
    Answer AskSaveChanges(const QString& name) override;
    void ShowFileMessage(const QString& text, Severity severity) override;
    // Asks where to compile to, proposing a file.
    virtual QString AskCompileOutputPath(const QString& proposal);

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateStatusBar();
    void ConnectZoomBox(CPageView* view);
    void CreateMenus();
    void CreateToolBars();
    void CreatePanes();
    void RegisterCommands();
    void RegisterPageCommands();
    // A command carried out by the page view, when there is one.
    std::function<void()> PageViewCommand(int id);
    // Undo, redo and the clipboard (CAppFrameEdit.cpp).
    void CreateEditSupport();
    // Snapping, the page's context menu, the property pane (CAppFrameView.cpp).
    void RegisterViewCommands();
    void ConnectPageView(CPageView* view);
    void ShowPageContextMenu(const QPoint& globalPos);
    void FocusProperties();
    void ShowPointer(std::optional<QPoint> pagePoint);
    void ShowAbout();
    void OpenReadme();
    CPageList* PageList() const;

    void RegisterEditCommands();
    // Undo and redo name the step they act on, in the menu and the tooltip.
    void UpdateUndoTexts();
    // A new or opened project: a new clipboard session, no compile messages.
    void StartEditSession();
    // Hands an editing command (undo, redo, the clipboard, delete, select
    // all) to the focused text field as its key; false when none has the
    // focus or the command has no key.
    bool ForwardToFocusedText(int id);
    std::vector<CDrawObj*> SelectedObjects() const;
    void CopySelection();
    void CutSelection();
    void PasteObjects();
    void RebuildRecentMenu();
    // New and opened projects start with the select tool.
    void SelectDefaultTool();

    void OnFileNew();
    // The compile pane, shown, when no compile runs; else a notice and null.
    ICompilePane* ShowFreeCompilePane();
    void OnCollectPictures();
    void OnGridSettings();
    void TogglePane(CPaneBase* pane);
    void ToggleMenuKeyboardMode();

    int SelectionCount() const;
    bool HasCurrentPage() const;
    int CurrentPageObjectCount() const;

    std::unique_ptr<CDocumentManager> m_documents;
    std::unique_ptr<CObjectClipboard> clipboard_;
    std::unique_ptr<CCompileCommands> m_compile;
    LastDirectories folders_;
    CCommandRegistry* m_commands = nullptr;
    QToolBar* standardBar_ = nullptr;
    QToolBar* layoutBar_ = nullptr;
    CMyStatusBar* statusBar_ = nullptr;
    CZoomBox* zoomBox_ = nullptr;
    QPointer<CPageView> zoomView_;
    CPaneBase* pageListPane_ = nullptr;
    CPaneBase* propertyPane_ = nullptr;
    CPaneOutput* outputPane_ = nullptr;
    QPointer<CPaneCompile> compilePane_;
    QMenu* fileMenu_ = nullptr;
    bool m_snapToGrid = true;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    IPageCommandTarget* pageView_ = nullptr;
    int fallbackTool_ = ID_TOOL_SELECT;
    // A key handed to a text field is matched against the shortcuts again
    // when the field does not take it: that match must not hand it on again.
    bool m_forwardingKey = false;
};

} // namespace kdx

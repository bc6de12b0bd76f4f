#pragma once
#include "app/panes/CPaneOutput.h"
#include "edit/CMyEdit.h"
#include "edit/EditStrings.h"
#include "app/frame/EditorStrings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kdx {

class CDrawObj;
class CPage;
class CPageDoc;
class CompileSession;

// The compile tab of the output pane: a read-only text control that shows
// the compiler's messages while it runs, offers cancelling in its menu, and
// jumps to the page or object a message names when the user double-clicks
// the message.
class CPaneCompile : public CMyEdit, public ICompilePane {
    Q_OBJECT
public:
    static constexpr int ID_CANCEL_COMPILE = IDS_CANCEL_COMPILE;
    // The text control's "清空(&D)", which here empties the output.
    static constexpr int ID_CLEAR_ALL = text_control::ID_EDIT_CLEAR;
    static constexpr int kMenuId = 142;

    explicit CPaneCompile(QWidget* parent = nullptr);
    ~CPaneCompile() override;

    // The project that located pages and objects are looked up in.
    void SetDocument(CPageDoc* doc) { doc_ = doc; }
    // Makes a located object the page view's only selected object and says
    // whether it did. Without a selector the object's page is only made
    // current.
    using ObjectSelector = std::function<bool(CDrawObj*)>;
    void SetObjectSelector(ObjectSelector selector) { selectObject_ = std::move(selector); }
    // The compiler program to start; empty means KDX_TC found by name.
    void SetCompilerPath(const QString& path) { compilerPath_ = path; }

    // ICompilePane
    bool IsCompiling() const override;
    void StartCompile(const QString& projectPath, const QString& outputPath) override;
    void ShowReport(const QString& text, bool replace) override;
    // Asks the compiler to stop and waits for the monitor to end, keeping
    // the user-interface thread's events flowing meanwhile.
    void CancelCompile();
    bool ShowPaneMenu(const QPoint& globalPos) override;

    bool MonitorRunning() const;
    // The only ways text gets into the pane.
    void ClearAll();
    void AppendText(const QString& text);

    // The colour a message line is shown in: errors and warnings stand out,
    // other lines have none of their own (an invalid colour).
    static QColor ErrorColour() { return {200, 0, 0}; }
    static QColor WarningColour() { return {176, 96, 0}; }
    static QColor MessageColour(const QString& line);

    // Locating from a message line "!(PID=1A)..." or "*(IID=FF)...".
    bool LocateFromLine(int line);
    bool LocatePage(uint32_t pageId);
    bool LocateObject(uint32_t objectId);
    // The first page background or object (in page order) showing the
    // picture, and the first object jumping to a page that does not exist.
    bool LocatePicture(const QString& shownPath);
    bool LocateMissingJump();
    // The picture path a picture failure names.
    static std::optional<QString> PictureOfMessage(const QString& line);

    bool IsCommandEnabled(int id) const override;
    bool OnCommand(int id) override;
    // The context menu with its items' states as they are now.
    QMenu* CreatePaneMenu(QWidget* parent);

signals:
    // A text was appended (after it is in the pane).
    void TextAppended(const QString& text);

protected:
    std::vector<int> MenuItems() const override;
    void ShowContextMenu(const QPoint& globalPos) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    class Sink;
    bool LocateObject(const CPage& page, CDrawObj* object);
    void Deliver(const QString& text);
    void WaitForMonitor();

    std::unique_ptr<Sink> sink_;
    std::unique_ptr<CompileSession> session_;
    CPageDoc* doc_ = nullptr;
    ObjectSelector selectObject_;
    QString compilerPath_;
    // True while a compiler message is being appended for the monitor,
    // which is blocked until that returns: waiting for it then would never end.
    bool delivering_ = false;
};

} // namespace kdx

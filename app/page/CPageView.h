#pragma once
#include "app/page/CMyView.h"
#include "app/page/PageCommands.h"
#include "app/page/PageTools.h"
#include "terminal/ViewScale.h"
#include "model/DocObserver.h"
#include "model/ModelTypes.h"
#include "model/PageDoc.h"

#include <QPoint>
#include <QRect>
#include <QSet>
#include <QWidget>
#include <memory>
#include <optional>

namespace kdx {

class CDrawObj;
class CDrawText;
class CTextEditSession;
class CPageDoc;
class CPageView;

// The page itself plus a grey frame of kFrameWidth screen pixels; page
// coordinates are widget coordinates less the frame, divided by the view's
// scale. It owns the selection and runs the current editing tool on the
// mouse and keyboard input it receives. Handles, the rubber band and the
// hit tolerance keep their screen size at every scale.
class CPageWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameWidth = 5;
    static constexpr int kHandleMargin = 6; // room for the selection handles
    // Below full size a click also hits what lies this many screen pixels away.
    static constexpr int kReducedHitTolerance = 2;
    enum Mode { kModeNone = 0, kModeBand = 1, kModeMove = 2, kModeResize = 3 };

    CPageWnd(CPageDoc& doc, CPageView* view);

    CPageDoc& Document() const { return doc_; }
    const QSet<CDrawObj*>& Selection() const { return selection_; }
    CDrawObj* PrimaryObject() const { return primary_; }
    // Makes a selected object the one align and same-size follow.
    void SetPrimaryObject(CDrawObj* object);
    CDrawObj* SingleSelection() const;
    bool IsSelected(CDrawObj* object) const { return selection_.contains(object); }
    bool IsGridShown() const { return gridShown_; }
    void SetGridShown(bool shown);
    QRect BandRect() const { return band_; }
    PageTool Tool() const { return tool_; }
    void SetTool(PageTool tool);

    // The object the property pane shows: the one selected alone; none
    // once a second is added, until the selection starts anew.
    CDrawObj* PropertyObject() const { return m_propertyObject; }
    // Opens the object for editing: a text gets the in-place editor, an
    // image asks for its picture; other kinds have nothing to edit.
    void EditObject(CDrawObj* object);
    // The text being edited in place, or null.
    CDrawText* EditedObject() const;

    void SelectObject(CDrawObj* object, bool add);
    void DeselectObject(CDrawObj* object);
    void ClearSelection();
    void SelectWithinRect(const QRect& rect, bool add);
    void SelectAll();
    void DeleteSelection();
    void MoveSelection(int dx, int dy);

    void InvalidateObject(const CDrawObj* object);
    // Page pixels to widget pixels and back, at the current scale.
    QPoint ToPage(const QPoint& widgetPoint) const;
    QRect ToWidget(const QRect& pageRect) const;
    QSize PageSize() const;
    const ViewScale& Scale() const { return m_scale; }
    // The window's size at the current scale; the view lays it out.
    QSize OuterSize() const;
    // Where the handles of `object` stand in widget pixels, 6 x 6 each.
    QRect HandleOnScreen(const CDrawObj* object, int handle) const;
    // The handle of `object` under the widget point, or -1.
    int HandleAt(const CDrawObj* object, const QPoint& widgetPoint) const;
    // The topmost object under the widget point, with the hit tolerance.
    CDrawObj* ObjectAtScreen(const QPoint& widgetPoint) const;

    // Tool operations; the point is in page coordinates.
    void ToolPress(const QPoint& p, Qt::KeyboardModifiers modifiers);
    void ToolMove(const QPoint& p);
    void ToolRelease(const QPoint& p);
    void ToolDoubleClick();
    void ToolCaptureLost();
    void ToolCancel();
    bool IsCapturing() const { return capturing_; }
    // The mouse capture went elsewhere (window deactivated, a popup opened):
    // the drag ends where it is, as the tool's capture-lost step says.
    void CaptureLost();
    // The object of a creation drag in progress, or null.
    CDrawObj* ObjectBeingCreated() const { return creating_; }
    // Arrow keys, Delete and Escape; false for other keys.
    // Ctrl+arrow moves by one grid step. The moves of a held key (`repeat`
    // for its auto-repeats) are one undo step.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers = {}, bool repeat = false);
    // Drawing, moving and resizing snap to the grid lines while the grid is
    // shown, this is on and Alt is not held.
    void SetSnapToGrid(bool on) { m_snapToGrid = on; }
    bool SnapsToGrid() const { return m_snapToGrid; }
    QPoint Snapped(const QPoint& p) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class CPageView;
    void SetScalePercent(int percent);
    void PaintScaled(QPainter& painter, const QRect& area);
    void PaintObjects(QPainter& painter, bool withHandles);
    void PaintBand(QPainter& painter, const QRect& band);
    void PaintHandle(QPainter& painter, const QRect& square, const CDrawObj* object) const;
    // The widget point of the mouse event that fed the tool with page point
    // `p`, or the middle of that page pixel for tool calls made directly.
    QPoint PointerFor(const QPoint& p) const;
    void PaintPage(QPainter& painter, const QRect& area);
    void PaintGrid(QPainter& painter, const QRect& area);
    void SetBand(const QRect& band);
    void ReleaseCapture();
    void HoverCursor(const QPoint& p);
    void SelectPress(const QPoint& p, Qt::KeyboardModifiers modifiers);
    void SelectMove(const QPoint& p);
    void CreatePress(const QPoint& p);
    void CreateRelease(const QPoint& p);
    int CreationHandle() const;
    // Ends a creation drag that something else interrupts; an object that
    // was not dragged yet (still 0 x 0) is removed.
    void EndCreationDrag();
    CDrawObj* FirstSelectedInPageOrder() const;
    void ShowInProperties(CDrawObj* object);
    bool Snapping() const;

    CPageDoc& doc_;
    CPageView* view_;
    bool gridShown_ = false;
    QRect band_;
    CDrawObj* primary_ = nullptr;
    QSet<CDrawObj*> selection_;
    CDrawObj* m_propertyObject = nullptr;
    PageTool tool_ = PageTool::Select;
    int handle_ = -1;
    int mode_ = kModeNone;
    QPoint down_;
    QPoint last_;
    bool capturing_ = false;
    CDrawObj* creating_ = nullptr;
    ViewScale m_scale;
    QPoint m_pointer;
    bool m_pointerKnown = false;
    CDrawObj* m_pressedObject = nullptr; // the object a move drag started on
    QPoint m_dragStart;                  // its top-left corner at the press
    bool m_pressedWasSelected = false;   // it was selected before, no Ctrl or Shift
    bool m_snapToGrid = true;
    bool m_snapSuspended = false; // Alt held in the last mouse event
    // The undo step of the drag in progress: from the press to the release.
    std::optional<CPageDoc::StepScope> m_dragStep;
};

// The document's view: a scrolling view that centres the page window in it,
// follows the document's update hints and carries out the drawing and
// layout commands of the main frame.
class CPageView : public CMyView, public IPageCommandTarget, public IDocObserver {
    Q_OBJECT
public:

    explicit CPageView(CPageDoc& doc, QWidget* parent = nullptr);
    ~CPageView() override;

    CPageDoc& Document() const { return doc_; }
    CPageWnd* PageWindow() const { return pageWnd_; }
    // Makes the object the only selected one (a located compiler message).
    bool SelectOnly(CDrawObj* object);
    // Lays the page window out again after a change of the page size.
    void UpdateLayout();
    // In-place editing of the page's text objects.
    CTextEditSession& TextEditing() const { return *m_textEditing; }
    // The text being edited in place, or null.
    CDrawText* EditedText() const;

    // The page's scale in percent, 25 to 800.
    int ZoomPercent() const { return pageWnd_->Scale().Percent(); }
    // Sets the scale, keeping the page point under `anchor` (viewport
    // pixels) where it is; without an anchor the middle of the view stays.
    void SetZoomPercent(int percent, std::optional<QPoint> anchor = std::nullopt);
    void ZoomIn();
    void ZoomOut();
    // The largest scale that shows the whole page without scrolling.
    void ZoomToFit();
    // Scrolls so that the object's rectangle as shown is in view.
    void EnsureVisible(const CDrawObj* object);

    // IPageCommandTarget
    QWidget* ViewWidget() override { return this; }
    int SelectionCount() const override;
    bool IsGridShown() const override;
    int CurrentToolCommand() const override;
    void OnPageCommand(int commandId) override;
    std::vector<int> SelectedObjectIndices() const override;
    void SelectObjectIndices(const std::vector<int>& indices) override;
    bool IsDragging() const override;

    // IDocObserver
    void OnUpdate(UpdateHint hint, CDrawObj* object) override;

signals:
    void ZoomChanged(int percent);
    // The object the property pane should show (`shown`), or stop showing.
    void PropertyObjectChanged(CDrawObj* object, bool shown);
    // A right click on the page: the selection is what the menu acts on.
    void ContextMenuRequested(const QPoint& globalPos);
    // The page point under the mouse; none when it left the page.
    void PointerMoved(std::optional<QPoint> pagePoint);

public:
    // Layout operations on the selection.
    void Align(int how);
    void CenterVertically();
    void CenterHorizontally();
    void Distribute(bool horizontally);
    void SameSize(int how);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void PlacePageWindow();
    void AddZoomShortcuts();
    // Also tells the page window where the pointer is.
    QPoint ToPage(const QPoint& viewportPoint);

    CPageDoc& doc_;
    CPageWnd* pageWnd_ = nullptr;
    std::unique_ptr<CTextEditSession> m_textEditing;
    int m_wheelSteps = 0; // eighths of a degree not yet turned into a zoom step
};

} // namespace kdx

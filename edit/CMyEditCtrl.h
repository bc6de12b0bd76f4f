#pragma once
#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>

#include "edit/EditCommand.h"
#include "edit/EditDocument.h"
#include "edit/EditDragDrop.h"
#include "edit/EditLayout.h"
#include "edit/EditModel.h"
#include "edit/EditPainter.h"
#include "edit/EditSelection.h"
#include "edit/TextMetrics.h"
#include "edit/TextStore.h"
#include "edit/UndoLog.h"
#include "terminal/ViewScale.h"

class QMimeData;

namespace kdx {

// Notification codes passed to Notify.
enum EditNotify {
    NOTIFY_READ_ONLY = 1,
    NOTIFY_BOOKMARK_WRAPPED = 2,
    NOTIFY_LAYOUT_PROGRESS = 3,
};

// The editor's own multi-line text control: rows with word wrap, stream and
// column selection, bookmarks, ruler, line numbers, undo and drag and drop.
// The widget routes events to its parts: the text, caret and selection with
// every edit and move (EditModel, keys through the command table of
// EditCommand), the areas, scroll position and wrap (EditLayout), the
// painting (EditPainter) and the clipboard and drag data (EditDragDrop).
class CMyEditCtrl : public QAbstractScrollArea, private EditView {
    Q_OBJECT
public:
    // MIME type that marks a column block copied by a control.
    static constexpr const char* kColumnBlockMime = EditDragDrop::kColumnBlockMime;
    // MIME type naming the control a drag started from.
    static constexpr const char* kDragSourceMime = EditDragDrop::kDragSourceMime;

    explicit CMyEditCtrl(QWidget* parent = nullptr, bool scrollBars = true);
    // The word delimiters a new control starts with.
    static QString DefaultDelimiters() { return EditModel::DefaultDelimiters(); }
    ~CMyEditCtrl() override;

    // Text and queries (logical coordinates).
    bool InsertText(int line, int column, const char16_t* text, int count);
    bool InsertText(int line, int column, const QString& text);
    bool DeleteRange(int startLine, int startColumn, int endLine, int endColumn);
    int GetLineCount() const { return m_model.Document().Store().LineCount(); }
    int GetLineLength(int line) const { return m_model.Document().Store().LineLength(line); }
    int GetLineText(int line, char16_t* buffer, int size) const;
    QString LineText(int line) const;
    QString Text() const;
    int64_t TextLength() const { return m_model.Document().Store().TotalLength(); }
    // The length the text has when each wrap point is written as one unit
    // (line breaks count 2), as owners that store wrapped text count it.
    int64_t WrappedLength() const { return m_model.Document().WrappedLength(); }
    // Insertions that would make WrappedLength() exceed the limit are cut to
    // what fits; 0 means no limit. Undo and redo are not limited.
    void SetTextLimit(int units) { m_model.Document().SetTextLimit(std::max(0, units)); }
    int TextLimit() const { return m_model.Document().TextLimit(); }
    TextPos GetCaret(bool displayColumn = false) const;
    void SetCaret(int line, int column);

    // Selection.
    void Select(int startLine, int startColumn, int endLine, int endColumn);
    void SelectAll() { Select(0, 0, -1, 0); }
    void ClearSelection();
    bool HasSelection() const { return m_model.HasSelection(); }
    bool IsColumnSelection() const { return HasSelection() && m_model.Selection().IsColumn(); }
    int64_t SelectionLength() const { return m_model.Selection().Length(); }
    QString SelectedText() const;
    void RequestColumnSelection() { m_mouse.columnRequest = true; }

    // Clipboard and history.
    bool Copy() override;
    bool Cut() { return m_model.Cut(); }
    bool Paste() override;
    bool Undo() { return m_model.Undo(); }
    bool Redo() { return m_model.Redo(); }
    bool CanUndo() const;
    bool CanRedo() const;
    void ResetUndo();
    void SetUndoEnabled(bool on);
    bool UndoEnabled() const { return m_model.Document().UndoEnabled(); }
    const UndoLog& History() const { return m_model.Document().History(); }

    // Bookmarks.
    void SetBookmark(bool on, int line = -1, bool redraw = true);
    bool IsBookmarked(int line = -1) const;
    int NextBookmark(bool wrap);
    int PreviousBookmark(bool wrap);
    void ClearBookmarks();
    int BookmarkCount() const { return m_model.Document().Store().BookmarkCount(); }

    // Settings.
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool IsReadOnly() const { return readOnly_; }
    void SetWrapMode(int mode, int width = 0);
    // Re-splits the whole text under the current wrap mode at once.
    void RewrapNow();
    // True while a long text is still being wrapped in the background.
    bool IsWrapping() const { return m_model.Document().Store().RewrapPending(); }
    // Texts longer than this are wrapped on screen first and the rest in
    // the background; shorter ones at once.
    static constexpr int64_t kBackgroundWrapUnits = 256 * 1024;
    // Takes a new size into account at once, even while hidden or without the
    // focus: areas, mode-1 wrap, scroll ranges, caret.
    void ApplySizeNow();
    int WrapMode() const { return m_layout.WrapMode(); }
    // Shows the control's pixels through the page view's mapping, its pixel
    // (0, 0) being page pixel `origin`, as an editor over a zoomed page does:
    // drawn at its own size, then enlarged or reduced like the page.
    void SetPaintScale(const ViewScale& scale, const QPoint& origin = {});
    const ViewScale& PaintScale() const { return m_paintScale; }
    const QPoint& PaintOrigin() const { return m_paintOrigin; }
    // cellHeight: the row pitch of a fixed-cell font (0: ascent + descent);
    // cellWidth: its cell width, which then measures the characters.
    void SetFont(const QFont& font, int cellHeight = 0, int cellWidth = 0);
    void SetColour(int slot, const QColor& colour);
    QColor Colour(int slot) const;
    void SetTabSize(int size);
    int TabSize() const { return Metrics().TabSize(); }
    void SetLineSpacing(int spacing);
    // Extra pixels after every character (a terminal's character spacing).
    void SetCharSpacing(int spacing);
    void SetDelimiters(const QString& delimiters);
    QString Delimiters() const { return m_model.Delimiters(); }
    void ShowRuler(bool on);
    bool RulerShown() const { return showRuler_; }
    void ShowLineNumbers(bool on);
    bool LineNumbersShown() const { return showLineNumbers_; }
    void ShowSpacesAndTabs(bool on);
    bool SpacesAndTabsShown() const { return m_painter.Options().spacesAndTabs; }
    void ShowLineEnds(bool on);
    bool LineEndsShown() const { return m_painter.Options().lineEnds; }
    void HighlightCurrentLine(bool on);
    // Gives lines a text colour of their own (see EditPaintOptions).
    void SetLineColourRule(std::function<QColor(int line)> rule);
    bool CurrentLineHighlighted() const { return m_painter.Options().currentLine; }
    void SetTabsAsSpaces(bool on) { m_model.Options().tabsAsSpaces = on; }
    bool TabsAsSpaces() const { return m_model.Options().tabsAsSpaces; }
    void SetOverwriteMode(bool on) { m_model.Options().overwrite = on; }
    bool OverwriteMode() const { return m_model.Options().overwrite; }
    void SetFollowSystemBackground(bool on) { followSystemBackground_ = on; }
    bool FollowSystemBackground() const { return followSystemBackground_; }
    bool IsModified() const { return modified_; }

    // Geometry, for owners and tests.
    const TextStore& Store() const { return m_model.Document().Store(); }
    const TextMetrics& Metrics() const { return m_model.Metrics(); }
    QRect RulerRect() const { return m_layout.RulerRect(); }
    QRect MarginRect() const { return m_layout.MarginRect(); }
    QRect TextRect() const { return m_layout.TextRect(); }
    int NumberFieldWidth() const { return m_layout.NumberWidth(); }
    int FirstVisibleRow() const { return m_layout.FirstRow(); }
    int VisibleRows() const override;
    // Viewport point of a logical position (top left of its cell).
    QPoint PointOf(int line, int column) const;
    int CaretRow() const { return m_model.Selection().Caret().row; }
    bool CaretVisibleNow() const { return caretOn_; }

    // Selected text offered to the clipboard or a drag.
    QMimeData* CreateSelectionMimeData() const;
    // The same, naming this control as the source of a drag.
    QMimeData* CreateDragMimeData() const;

signals:
    void notified(int code, int value);
    void modifiedChanged(bool modified);

public:
    // Records the modified flag (owners clear it after saving or loading).
    void SetModified(bool modified) override;

protected:
    virtual void DrawRuler(QPainter& painter, const QRect& rect);
    virtual void DrawLineNumber(QPainter& painter, int row, const QRect& rect);
    virtual void Layout();
    virtual void Notify(int code, int value);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    // Hooks for derived classes.
    virtual void ShowContextMenu(const QPoint& globalPos) { Q_UNUSED(globalPos); }
    bool RefuseIfReadOnly() override;
    void SetAreas(const QRect& ruler, const QRect& margin, const QRect& text);
    void UpdateCursorShape(const QPoint& pos, Qt::KeyboardModifiers modifiers);

    // Runs a command of the key table.
    void RunCommand(EditCommand command) { RunEditCommand(m_model, command); }

private:
    using Cell = EditCell;

    // What the model asks of the view.
    int FirstRow() const override { return m_layout.FirstRow(); }
    int ScrollTo(int row) override;
    void CaretMoved() override;
    void RepaintRows(int first, int last) override;
    void RepaintAll() override;
    void AfterEdit(bool all = false) override;

    void MarkDirty(int row, bool toEnd);
    QRect CaretRect() const;

    // Geometry.
    void EnsureCaretVisible(bool centre = false);
    void UpdateScrollBars();
    void ApplyWrap();
    void RestartCaretBlink();
    void ScheduleRewrap();
    void Relayout();
    // Background wrap: the rows on screen and around the caret at once, the
    // rest in slices of a few milliseconds between events.
    struct ViewAnchor {
        TextPos top;  // first unit of the first visible row
        TextPos caret;
        TextPos anchor;
        bool selection = false;
    };
    void StartRewrap();
    void WrapSlice();
    ViewAnchor SaveView() const;
    void RestoreView(const ViewAnchor& view);
    void PressAt(QMouseEvent* event);

    // Painting.
    void PaintRow(QPainter& painter, int row, const QRect& rect);
    // Draws the part `update` of the control at its own size onto `area`.
    void PaintContent(QPainter& painter, const QRect& update, const QRect& area);

    // Drag and drop.
    void StartDrag();
    bool DropText(const QMimeData* data, TextPos at, bool copy);

    // The text, the caret and the selection, and every edit of them.
    EditModel m_model{*this};

    // Settings.
    bool readOnly_ = false;
    bool showRuler_ = true;
    ViewScale m_paintScale;
    QPoint m_paintOrigin;
    bool showLineNumbers_ = true;
    bool followSystemBackground_ = true;
    bool modified_ = false;

    // Caret blink.
    bool caretOn_ = false;
    QTimer caretTimer_;

    // Background wrap.
    QTimer wrapTimer_;

    // Mouse: what a press started and a drag continues.
    enum class MouseMode { Stream, Words, Column };
    struct MouseState {
        bool dragging = false;
        bool columnRequest = false;
        MouseMode mode = MouseMode::Stream;
        QPoint columnOrigin;  // x and row where a column block started
        TextPos wordStart;    // the word a double-click selected
        TextPos wordEnd;
        bool pointerPlacing = false;  // the caret goes where the pointer is
    };
    MouseState m_mouse;

    // Rows to repaint after an edit; -1 means everything.
    int dirtyRow_ = -1;
    bool dirtyToEnd_ = false;

    // Areas, scroll position and rows.
    EditLayout m_layout;
    // Colours, marks and the painting of rows and margins.
    EditPainter m_painter;
    // Clipboard and drag data, and the state of a drag.
    EditDragDrop m_dragDrop{this};
};

} // namespace kdx

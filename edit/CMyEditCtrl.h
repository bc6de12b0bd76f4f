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

#include "edit/EditDocument.h"
#include "edit/EditDragDrop.h"
#include "edit/EditLayout.h"
#include "edit/EditPainter.h"
#include "edit/EditSelection.h"
#include "edit/TextMetrics.h"
#include "edit/TextStore.h"
#include "edit/UndoLog.h"

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
// The widget routes events to its parts: the document with its undo log
// (EditDocument), the caret and selection (EditSelection), the areas, scroll
// position and wrap (EditLayout), the painting (EditPainter) and the
// clipboard and drag data (EditDragDrop).
class CMyEditCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    // MIME type that marks a column block copied by a control.
    static constexpr const char* kColumnBlockMime = EditDragDrop::kColumnBlockMime;
    // MIME type naming the control a drag started from.
    static constexpr const char* kDragSourceMime = EditDragDrop::kDragSourceMime;

    explicit CMyEditCtrl(QWidget* parent = nullptr, bool scrollBars = true);
    // The word delimiters a new control starts with.
    static QString DefaultDelimiters();
    ~CMyEditCtrl() override;

    // Text and queries (logical coordinates).
    bool InsertText(int line, int column, const char16_t* text, int count);
    bool InsertText(int line, int column, const QString& text);
    bool DeleteRange(int startLine, int startColumn, int endLine, int endColumn);
    int GetLineCount() const { return m_document.Store().LineCount(); }
    int GetLineLength(int line) const { return m_document.Store().LineLength(line); }
    int GetLineText(int line, char16_t* buffer, int size) const;
    QString LineText(int line) const;
    QString Text() const;
    int64_t TextLength() const { return m_document.Store().TotalLength(); }
    // The length the text has when each wrap point is written as one unit
    // (line breaks count 2), as owners that store wrapped text count it.
    int64_t WrappedLength() const { return m_document.WrappedLength(); }
    // Insertions that would make WrappedLength() exceed the limit are cut to
    // what fits; 0 means no limit. Undo and redo are not limited.
    void SetTextLimit(int units) { m_document.SetTextLimit(std::max(0, units)); }
    int TextLimit() const { return m_document.TextLimit(); }
    TextPos GetCaret(bool displayColumn = false) const;
    void SetCaret(int line, int column);

    // Selection.
    void Select(int startLine, int startColumn, int endLine, int endColumn);
    void SelectAll() { Select(0, 0, -1, 0); }
    void ClearSelection();
    bool HasSelection() const { return m_selection.Active(); }
    bool IsColumnSelection() const { return HasSelection() && m_selection.IsColumn(); }
    int64_t SelectionLength() const { return m_selection.Length(); }
    QString SelectedText() const;
    void RequestColumnSelection() { columnRequest_ = true; }

    // Clipboard and history.
    bool Copy();
    bool Cut();
    bool Paste();
    bool Undo();
    bool Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    void ResetUndo();
    void SetUndoEnabled(bool on);
    bool UndoEnabled() const { return m_document.UndoEnabled(); }
    const UndoLog& History() const { return m_document.History(); }

    // Bookmarks.
    void SetBookmark(bool on, int line = -1, bool redraw = true);
    bool IsBookmarked(int line = -1) const;
    int NextBookmark(bool wrap);
    int PreviousBookmark(bool wrap);
    void ClearBookmarks();
    int BookmarkCount() const { return m_document.Store().BookmarkCount(); }

    // Settings.
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool IsReadOnly() const { return readOnly_; }
    void SetWrapMode(int mode, int width = 0);
    // Re-splits the whole text under the current wrap mode at once.
    void RewrapNow();
    // True while a long text is still being wrapped in the background.
    bool IsWrapping() const { return m_document.Store().RewrapPending(); }
    // Texts longer than this are wrapped on screen first and the rest in
    // the background; shorter ones at once.
    static constexpr int64_t kBackgroundWrapUnits = 256 * 1024;
    // Takes a new size into account at once, even while hidden or without the
    // focus: areas, mode-1 wrap, scroll ranges, caret.
    void ApplySizeNow();
    int WrapMode() const { return m_layout.WrapMode(); }
    // Draws the control enlarged or reduced by `scale` while its layout
    // stays in unscaled pixels (a text shown on a zoomed page).
    void SetPaintScale(qreal scale);
    qreal PaintScale() const { return paintScale_; }
    // cellHeight: the row pitch of a fixed-cell font (0: ascent + descent);
    // cellWidth: its cell width, which then measures the characters.
    void SetFont(const QFont& font, int cellHeight = 0, int cellWidth = 0);
    void SetColour(int slot, const QColor& colour);
    QColor Colour(int slot) const;
    void SetTabSize(int size);
    int TabSize() const { return metrics_.TabSize(); }
    void SetLineSpacing(int spacing);
    // Extra pixels after every character (a terminal's character spacing).
    void SetCharSpacing(int spacing);
    void SetDelimiters(const QString& delimiters);
    QString Delimiters() const { return delimiters_; }
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
    void SetTabsAsSpaces(bool on) { tabsAsSpaces_ = on; }
    bool TabsAsSpaces() const { return tabsAsSpaces_; }
    void SetOverwriteMode(bool on) { overwriteMode_ = on; }
    bool OverwriteMode() const { return overwriteMode_; }
    void SetFollowSystemBackground(bool on) { followSystemBackground_ = on; }
    bool FollowSystemBackground() const { return followSystemBackground_; }
    bool IsModified() const { return modified_; }

    // Geometry, for owners and tests.
    const TextStore& Store() const { return m_document.Store(); }
    const TextMetrics& Metrics() const { return metrics_; }
    QRect RulerRect() const { return m_layout.RulerRect(); }
    QRect MarginRect() const { return m_layout.MarginRect(); }
    QRect TextRect() const { return m_layout.TextRect(); }
    int NumberFieldWidth() const { return m_layout.NumberWidth(); }
    int FirstVisibleRow() const { return m_layout.FirstRow(); }
    int VisibleRows() const;
    // Viewport point of a logical position (top left of its cell).
    QPoint PointOf(int line, int column) const;
    int CaretRow() const { return m_selection.Caret().row; }
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
    virtual void SetModified(bool modified);

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
    bool RefuseIfReadOnly();
    void SetAreas(const QRect& ruler, const QRect& margin, const QRect& text);
    void UpdateCursorShape(const QPoint& pos, Qt::KeyboardModifiers modifiers);

    // Editing steps used by the key handlers and owners.
    void TypeText(const std::u16string& text);
    void TabKey();
    void EnterKey();
    void BackspaceKey(bool word);
    void DeleteKey(bool word);

private:
    using Cell = EditCell;

    // Editing core.
    TextPos InsertAt(TextPos at, std::u16string_view text);
    void RemoveRange(TextPos from, TextPos to);
    void DeleteSelection();
    void DeleteBesideCaret(bool forward, bool word);
    void PasteColumnBlock(const std::u16string& text);
    void InsertAsColumnBlock(const std::u16string& text, int x, int line);
    std::u16string FillTo(int line, int x) const;
    void AfterEdit();
    void MarkDirty(int row, bool toEnd);
    void UpdateRows(int from, int to);
    QRect CaretRect() const;
    void SetCaretLogical(TextPos pos, bool keepPreferredX = false);
    void ApplyUndoStep(bool undo);
    std::u16string Indentation(TextPos caret) const;

    // Selection bookkeeping.
    void SetStreamSelection(TextPos anchor, TextPos caret);
    void SetColumnSelection(int firstRow, int lastRow, int leftX, int rightX);
    void ClearRowSelection();
    bool IsInSelection(TextPos pos) const;
    TextPos SelectionStart() const;
    TextPos SelectionEnd() const;

    // Geometry.
    int CaretX() const;
    void EnsureCaretVisible(bool centre = false);
    void UpdateScrollBars();
    void ApplyWrap();
    void RestartCaretBlink();

    // Navigation.
    void MoveCaret(Cell to, bool extend, bool keepPreferredX = false);
    TextPos WordLeft(TextPos from) const;
    TextPos WordRight(TextPos from) const;
    Cell CellOf(TextPos pos) const;
    TextPos PosOf(Cell cell) const;
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
    bool IsBlank(char16_t unit) const { return unit == u' ' || unit == u'\t'; }
    bool IsDelimiter(char16_t unit) const;
    TextPos WordStartAt(TextPos pos) const;
    TextPos WordEndAt(TextPos pos) const;
    void HandleNavigation(QKeyEvent* event);
    void PressAt(QMouseEvent* event);

    // Painting.
    void PaintRow(QPainter& painter, int row, const QRect& rect);

    // Drag and drop.
    void StartDrag();
    bool DropText(const QMimeData* data, TextPos at, bool copy);

    EditDocument m_document;
    TextMetrics metrics_;
    QString delimiters_;

    // Settings.
    bool readOnly_ = false;
    bool showRuler_ = true;
    qreal paintScale_ = 1.0;
    bool showLineNumbers_ = true;
    bool tabsAsSpaces_ = false;
    bool followSystemBackground_ = true;
    bool overwriteMode_ = false;
    bool modified_ = false;

    // The caret and the selection.
    EditSelection m_selection;

    // Caret blink.
    bool caretOn_ = false;
    QTimer caretTimer_;

    // Background wrap.
    QTimer wrapTimer_;

    // Mouse.
    bool dragging_ = false;
    bool columnRequest_ = false;
    int mouseMode_ = 0;  // 0 stream, 1 words, 2 column block
    QPoint columnOrigin_;
    TextPos wordStart_;
    TextPos wordEnd_;
    bool pointerPlacing_ = false;  // the caret goes where the pointer is

    // Rows to repaint after an edit; -1 means everything.
    int dirtyRow_ = -1;
    bool dirtyToEnd_ = false;
    bool dirtyAll_ = false;

    // Areas, scroll position and rows.
    EditLayout m_layout;
    // Colours, marks and the painting of rows and margins.
    EditPainter m_painter;
    // Clipboard and drag data, and the state of a drag.
    EditDragDrop m_dragDrop{this};
};

} // namespace kdx

#include "edit/CMyEditCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <climits>

namespace kdx {

namespace {

QString ToQ(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CMyEditCtrl::CMyEditCtrl(QWidget* parent, bool scrollBars)
    : QAbstractScrollArea(parent), m_layout(Store(), Metrics(), m_model.Delimiters()),
      m_painter(Store(), Metrics(), m_model.Selection(), m_layout)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    const auto policy = scrollBars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(policy);
    m_model.Metrics().SetFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));

    const QPalette pal = palette();
    m_painter.Colour(COLOUR_TEXT) = pal.color(QPalette::Text);
    m_painter.Colour(COLOUR_BACKGROUND) = pal.color(QPalette::Base);
    m_painter.Colour(COLOUR_SELECTED_TEXT) = pal.color(QPalette::HighlightedText);
    m_painter.Colour(COLOUR_SELECTION) = pal.color(QPalette::Highlight);
    m_painter.Colour(COLOUR_RULER_MARKS) = pal.color(QPalette::WindowText);
    m_painter.Colour(COLOUR_RULER_BACKGROUND) = pal.color(QPalette::Button);
    m_painter.Colour(COLOUR_LINE_NUMBERS) = pal.color(QPalette::WindowText);
    m_painter.Colour(COLOUR_NUMBER_BACKGROUND) = pal.color(QPalette::Button);
    m_painter.Colour(COLOUR_CURRENT_ROW) = QColor(255, 255, 0);
    m_painter.Colour(COLOUR_BOOKMARK) = QColor(102, 204, 255);
    m_painter.Colour(COLOUR_WHITESPACE) = QColor(102, 204, 255);

    connect(&caretTimer_, &QTimer::timeout, this, [this] {
        caretOn_ = !caretOn_;
        viewport()->update(CaretRect());
    });
    m_model.Document().SetChangeListener([this](int row, bool rowsMoved) { MarkDirty(row, rowsMoved); });
    wrapTimer_.setInterval(0);
    connect(&wrapTimer_, &QTimer::timeout, this, &CMyEditCtrl::WrapSlice);
    Layout();
    UpdateScrollBars();
}

CMyEditCtrl::~CMyEditCtrl() = default;

// ---------------------------------------------------------------------------
// Virtual hooks

void CMyEditCtrl::SetModified(bool modified)
{
    if (modified_ == modified)
        return;
    modified_ = modified;
    emit modifiedChanged(modified);
}

void CMyEditCtrl::Notify(int code, int value)
{
    emit notified(code, value);
}

bool CMyEditCtrl::RefuseIfReadOnly()
{
    if (!readOnly_)
        return false;
    Notify(NOTIFY_READ_ONLY, 0);
    return true;
}

void CMyEditCtrl::SetAreas(const QRect& ruler, const QRect& margin, const QRect& text)
{
    m_layout.SetAreas(ruler, margin, text);
}

void CMyEditCtrl::Layout()
{
    m_layout.PlaceAreas(viewport()->rect(), showRuler_, showLineNumbers_);
}

// ---------------------------------------------------------------------------
// Low-level editing with undo recording

void CMyEditCtrl::MarkDirty(int row, bool toEnd)
{
    if (dirtyRow_ < 0 || row < dirtyRow_)
        dirtyRow_ = row;
    dirtyToEnd_ = dirtyToEnd_ || toEnd;
}

void CMyEditCtrl::RepaintRows(int from, int to)
{
    const int top = std::max(m_layout.TextRect().top(), m_layout.RowTop(from));
    const int bottom = to == INT_MAX ? viewport()->height() : m_layout.RowTop(to + 1);
    if (bottom > top)
        viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
}

void CMyEditCtrl::AfterEdit(bool all)
{
    // Repaint only the changed rows when nothing else moved.
    const QRect oldText = m_layout.TextRect();
    const int oldFirstRow = m_layout.FirstRow();
    const int oldFirstColumn = m_layout.FirstColumn();
    const int oldCaretRow = CaretRow();
    Relayout();
    UpdateScrollBars();
    EnsureCaretVisible();
    RestartCaretBlink();
    if (all || dirtyRow_ < 0 || m_layout.TextRect() != oldText || m_layout.FirstRow() != oldFirstRow
        || m_layout.FirstColumn() != oldFirstColumn) {
        viewport()->update();
    } else {
        RepaintRows(dirtyRow_, dirtyToEnd_ ? INT_MAX : dirtyRow_ + Store().RowsOfLine(Store().FirstRowOf(dirtyRow_)) - 1);
        RepaintRows(oldCaretRow, oldCaretRow);
        RepaintRows(CaretRow(), CaretRow());
    }
    dirtyRow_ = -1;
    dirtyToEnd_ = false;
}

// ---------------------------------------------------------------------------
// Public editing operations

bool CMyEditCtrl::InsertText(int line, int column, const char16_t* text, int count)
{
    if (RefuseIfReadOnly())
        return false;
    auto action = m_model.Document().Action(ACTION_INSERTION);
    m_model.DeleteSelection();
    TextPos at;
    if (line == -1)
        at = column == -1 ? Store().End() : m_model.CaretPos();
    else
        at = Store().Clamp({line, column});
    const std::u16string_view piece(text ? text : u"", text ? std::max(count, 0) : 0);
    m_model.SetCaretLogical(m_model.InsertAt(at, piece));
    AfterEdit();
    return true;
}

bool CMyEditCtrl::InsertText(int line, int column, const QString& text)
{
    return InsertText(line, column, reinterpret_cast<const char16_t*>(text.utf16()),
                      static_cast<int>(text.size()));
}

bool CMyEditCtrl::DeleteRange(int startLine, int startColumn, int endLine, int endColumn)
{
    if (RefuseIfReadOnly())
        return false;
    auto action = m_model.Document().Action(ACTION_DELETION);
    ClearSelection();
    if (startLine == -1 && endLine == 0) {
        m_model.DeleteBesideCaret(true, false);
        return true;
    }
    TextPos from = Store().Clamp({startLine, startColumn});
    TextPos to = (startLine == 0 && startColumn == 0 && endLine == -1) ? Store().End()
                                                                      : Store().Clamp({endLine, endColumn});
    if (startLine == 0 && startColumn == 0 && endLine == -1)
        from = {0, 0};
    if (to < from)
        std::swap(from, to);
    m_model.RemoveRange(from, to);
    m_model.SetCaretLogical(from);
    AfterEdit();
    return true;
}

int CMyEditCtrl::GetLineText(int line, char16_t* buffer, int size) const
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = 0;
    if (line < 0 || line >= Store().LineCount())
        return 0;
    const auto text = Store().LineText(line);
    const int n = std::min(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

QString CMyEditCtrl::LineText(int line) const
{
    return ToQ(Store().LineText(line));
}

QString CMyEditCtrl::Text() const
{
    return ToQ(Store().AllText());
}

TextPos CMyEditCtrl::GetCaret(bool displayColumn) const
{
    if (displayColumn)
        return {Store().LineOfRow(CaretRow()), Metrics().VisualColumn(Store().Row(CaretRow()), m_model.Selection().Caret().column)};
    return m_model.CaretPos();
}

void CMyEditCtrl::SetCaret(int line, int column)
{
    const TextPos pos = Store().Clamp({line, column});
    if (pos != m_model.CaretPos())
        ClearSelection();
    m_model.SetCaretLogical(pos);
    EnsureCaretVisible(true);
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Clipboard

QString CMyEditCtrl::SelectedText() const
{
    return ToQ(m_model.SelectedText());
}

QMimeData* CMyEditCtrl::CreateSelectionMimeData() const
{
    return m_dragDrop.CreateMimeData(SelectedText(), IsColumnSelection());
}

bool CMyEditCtrl::Copy()
{
    if (!HasSelection() || (m_model.Selection().Length() == 0 && !IsColumnSelection()))
        return false;
    QMimeData* data = CreateSelectionMimeData();
    m_dragDrop.RememberBlock(data);
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

bool CMyEditCtrl::Paste()
{
    if (RefuseIfReadOnly())
        return false;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return false;
    const bool block = m_dragDrop.IsOwnColumnBlock(data) && m_layout.WrapMode() == 0;
    const std::u16string text = block ? EditDragDrop::PlainText(data) : EditDragDrop::ForeignText(data);
    m_model.PasteText(text, block);
    return true;
}

// ---------------------------------------------------------------------------
// Undo and redo

bool CMyEditCtrl::CanUndo() const
{
    return !readOnly_ && m_model.Document().CanUndo();
}

bool CMyEditCtrl::CanRedo() const
{
    return !readOnly_ && m_model.Document().CanRedo();
}

void CMyEditCtrl::ResetUndo()
{
    m_model.Document().ResetUndo();
}

void CMyEditCtrl::SetUndoEnabled(bool on)
{
    m_model.Document().SetUndoEnabled(on);
}

// ---------------------------------------------------------------------------
// Selection

void CMyEditCtrl::ClearSelection()
{
    m_model.ClearSelection();
}

void CMyEditCtrl::Select(int startLine, int startColumn, int endLine, int endColumn)
{
    if (startLine == -1 && endLine == -1) {
        ClearSelection();
        return;
    }
    TextPos start;
    TextPos end;
    if (startLine == 0 && startColumn == 0 && endLine == -1) {
        end = Store().End();
    } else {
        start = Store().Clamp({startLine, startColumn});
        end = Store().Clamp({endLine, endColumn});
    }
    m_model.SetCaretLogical(end);
    m_model.SetStreamSelection(start, end);
    EnsureCaretVisible();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Bookmarks

void CMyEditCtrl::SetBookmark(bool on, int line, bool redraw)
{
    if (line == -1)
        line = Store().LineOfRow(CaretRow());
    if (m_model.Document().SetBookmark(line, on) && redraw)
        viewport()->update();
}

bool CMyEditCtrl::IsBookmarked(int line) const
{
    if (line == -1)
        line = Store().LineOfRow(CaretRow());
    return Store().IsBookmarked(line);
}

int CMyEditCtrl::NextBookmark(bool wrap)
{
    const int caretLine = Store().LineOfRow(CaretRow());
    int found = Store().FindBookmark(caretLine, true, Store().LineCount() - 1);
    if (found < 0 && wrap && Store().BookmarkCount() > 0) {
        Notify(NOTIFY_BOOKMARK_WRAPPED, -1);
        found = Store().FindBookmark(-1, true, caretLine);
    }
    return found;
}

int CMyEditCtrl::PreviousBookmark(bool wrap)
{
    const int caretLine = Store().LineOfRow(CaretRow());
    int found = Store().FindBookmark(caretLine, false, 0);
    if (found < 0 && wrap && Store().BookmarkCount() > 0) {
        Notify(NOTIFY_BOOKMARK_WRAPPED, 0);
        found = Store().FindBookmark(Store().LineCount(), false, caretLine);
    }
    return found;
}

void CMyEditCtrl::ClearBookmarks()
{
    m_model.Document().ClearBookmarks();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Settings










void CMyEditCtrl::SetFont(const QFont& font, int cellHeight, int cellWidth)
{
    m_model.Metrics().SetFont(font, cellHeight, cellWidth);
    Layout();
    if (m_layout.WrapMode() != 0)
        StartRewrap();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetColour(int slot, const QColor& colour)
{
    if (slot < 1 || slot > 11)
        return;
    m_painter.Colour(slot) = colour;
    viewport()->update();
}

QColor CMyEditCtrl::Colour(int slot) const
{
    return slot >= 1 && slot <= 11 ? m_painter.Colour(slot) : QColor();
}

void CMyEditCtrl::SetTabSize(int size)
{
    if (size < 0 || size > 64)
        return;
    m_model.Metrics().SetTabSize(size);
    if (m_layout.WrapMode() != 0)
        StartRewrap();
    viewport()->update();
}

void CMyEditCtrl::SetLineSpacing(int spacing)
{
    if (spacing < 0)
        return;
    m_model.Metrics().SetLineSpacing(spacing);
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetCharSpacing(int spacing)
{
    if (spacing < 0 || spacing == Metrics().CharSpacing())
        return;
    m_model.Metrics().SetCharSpacing(spacing);
    if (m_layout.WrapMode() != 0)
        RewrapNow();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetDelimiters(const QString& delimiters)
{
    m_model.SetDelimiters(delimiters);
    if (m_layout.WrapMode() != 0)
        StartRewrap();
}

void CMyEditCtrl::ShowRuler(bool on)
{
    showRuler_ = on;
    Relayout();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::ShowLineNumbers(bool on)
{
    showLineNumbers_ = on;
    Relayout();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::ShowSpacesAndTabs(bool on)
{
    m_painter.Options().spacesAndTabs = on;
    viewport()->update();
}

void CMyEditCtrl::ShowLineEnds(bool on)
{
    m_painter.Options().lineEnds = on;
    viewport()->update();
}

void CMyEditCtrl::SetLineColourRule(std::function<QColor(int line)> rule)
{
    m_painter.Options().lineColour = std::move(rule);
    viewport()->update();
}

void CMyEditCtrl::HighlightCurrentLine(bool on)
{
    m_painter.Options().currentLine = on;
    viewport()->update();
}

} // namespace kdx

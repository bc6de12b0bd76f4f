#include "edit/CMyEditCtrl.h"

#include "terminal/TextWrap.h"

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

constexpr int kMaxDelimiters = 63;
constexpr int kMaxImeUnits = 260;
const QString kDefaultDelimiters = QString::fromUtf16(kWrapDelimiters.data(), qsizetype(kWrapDelimiters.size()));

QString ToQ(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CMyEditCtrl::CMyEditCtrl(QWidget* parent, bool scrollBars)
    : QAbstractScrollArea(parent), delimiters_(kDefaultDelimiters),
      m_layout(m_document.Store(), metrics_, delimiters_),
      m_painter(m_document.Store(), metrics_, m_selection, m_layout)
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
    metrics_.SetFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));

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
    m_document.SetChangeListener([this](int row, bool rowsMoved) { MarkDirty(row, rowsMoved); });
    wrapTimer_.setInterval(0);
    connect(&wrapTimer_, &QTimer::timeout, this, &CMyEditCtrl::WrapSlice);
    Layout();
    UpdateScrollBars();
}

CMyEditCtrl::~CMyEditCtrl() = default;

QString CMyEditCtrl::DefaultDelimiters()
{
    return kDefaultDelimiters;
}

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

TextPos CMyEditCtrl::InsertAt(TextPos at, std::u16string_view text)
{
    at = m_document.Store().Clamp(at);
    const TextPos end = m_document.Insert(at, text);
    if (end != at)
        SetModified(true);
    return end;
}

void CMyEditCtrl::RemoveRange(TextPos from, TextPos to)
{
    if (m_document.Store().Clamp(from) == m_document.Store().Clamp(to))
        return;
    m_document.Remove(from, to);
    SetModified(true);
}

void CMyEditCtrl::MarkDirty(int row, bool toEnd)
{
    if (dirtyRow_ < 0 || row < dirtyRow_)
        dirtyRow_ = row;
    dirtyToEnd_ = dirtyToEnd_ || toEnd;
}

void CMyEditCtrl::UpdateRows(int from, int to)
{
    const int top = std::max(m_layout.TextRect().top(), m_layout.RowTop(from));
    const int bottom = to == INT_MAX ? viewport()->height() : m_layout.RowTop(to + 1);
    if (bottom > top)
        viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
}

void CMyEditCtrl::AfterEdit()
{
    // Repaint only the changed rows when nothing else moved.
    const QRect oldText = m_layout.TextRect();
    const int oldFirstRow = m_layout.FirstRow();
    const int oldFirstColumn = m_layout.FirstColumn();
    const int oldCaretRow = m_selection.Caret().row;
    Relayout();
    UpdateScrollBars();
    EnsureCaretVisible();
    RestartCaretBlink();
    if (dirtyAll_ || dirtyRow_ < 0 || m_layout.TextRect() != oldText || m_layout.FirstRow() != oldFirstRow
        || m_layout.FirstColumn() != oldFirstColumn) {
        viewport()->update();
    } else {
        UpdateRows(dirtyRow_, dirtyToEnd_ ? INT_MAX : dirtyRow_ + m_document.Store().RowsOfLine(m_document.Store().FirstRowOf(dirtyRow_)) - 1);
        UpdateRows(oldCaretRow, oldCaretRow);
        UpdateRows(m_selection.Caret().row, m_selection.Caret().row);
    }
    dirtyRow_ = -1;
    dirtyToEnd_ = false;
    dirtyAll_ = false;
}

void CMyEditCtrl::DeleteSelection()
{
    if (!HasSelection())
        return;
    if (!m_selection.IsColumn()) {
        const TextPos start = SelectionStart();
        const TextPos end = SelectionEnd();
        ClearRowSelection();
        RemoveRange(start, end);
        SetCaretLogical(start);
        return;
    }
    std::vector<std::pair<TextPos, TextPos>> parts;
    for (int r = m_selection.FirstRow(); r <= m_selection.LastRow() && r < m_document.Store().RowCount(); ++r) {
        const int length = m_document.Store().Row(r).length;
        int from = 0;
        int to = 0;
        m_selection.RowSpan(m_document.Store(), metrics_, r, from, to);
        from = std::clamp(from, 0, length);
        to = std::clamp(to, 0, length);
        parts.emplace_back(m_document.Store().RowToLogical(r, from), m_document.Store().RowToLogical(r, to));
    }
    ClearRowSelection();
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        RemoveRange(it->first, it->second);
    if (!parts.empty())
        SetCaretLogical(parts.front().first);
}

// ---------------------------------------------------------------------------
// Public editing operations

bool CMyEditCtrl::InsertText(int line, int column, const char16_t* text, int count)
{
    if (RefuseIfReadOnly())
        return false;
    auto action = m_document.Action(ACTION_INSERTION);
    DeleteSelection();
    TextPos at;
    if (line == -1)
        at = column == -1 ? m_document.Store().End() : PosOf(m_selection.Caret());
    else
        at = m_document.Store().Clamp({line, column});
    const std::u16string_view piece(text ? text : u"", text ? std::max(count, 0) : 0);
    SetCaretLogical(InsertAt(at, piece));
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
    auto action = m_document.Action(ACTION_DELETION);
    ClearSelection();
    if (startLine == -1 && endLine == 0) {
        DeleteKey(false);
        return true;
    }
    TextPos from = m_document.Store().Clamp({startLine, startColumn});
    TextPos to = (startLine == 0 && startColumn == 0 && endLine == -1) ? m_document.Store().End()
                                                                      : m_document.Store().Clamp({endLine, endColumn});
    if (startLine == 0 && startColumn == 0 && endLine == -1)
        from = {0, 0};
    if (to < from)
        std::swap(from, to);
    RemoveRange(from, to);
    SetCaretLogical(from);
    AfterEdit();
    return true;
}

int CMyEditCtrl::GetLineText(int line, char16_t* buffer, int size) const
{
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = 0;
    if (line < 0 || line >= m_document.Store().LineCount())
        return 0;
    const auto text = m_document.Store().LineText(line);
    const int n = std::min(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

QString CMyEditCtrl::LineText(int line) const
{
    return ToQ(m_document.Store().LineText(line));
}

QString CMyEditCtrl::Text() const
{
    return ToQ(m_document.Store().AllText());
}

TextPos CMyEditCtrl::GetCaret(bool displayColumn) const
{
    if (displayColumn)
        return {m_document.Store().LineOfRow(m_selection.Caret().row), metrics_.VisualColumn(m_document.Store().Row(m_selection.Caret().row), m_selection.Caret().column)};
    return PosOf(m_selection.Caret());
}

void CMyEditCtrl::SetCaret(int line, int column)
{
    const TextPos pos = m_document.Store().Clamp({line, column});
    if (pos != PosOf(m_selection.Caret()))
        ClearSelection();
    SetCaretLogical(pos);
    EnsureCaretVisible(true);
    viewport()->update();
}

void CMyEditCtrl::TypeText(const std::u16string& text)
{
    if (RefuseIfReadOnly() || text.empty())
        return;
    auto action = m_document.Action(ACTION_TYPING);
    DeleteSelection();
    TextPos caret = PosOf(m_selection.Caret());
    if (overwriteMode_) {
        const int available = m_document.Store().LineLength(caret.line) - caret.column;
        const int replace = std::min(static_cast<int>(text.size()), available);
        RemoveRange(caret, {caret.line, caret.column + replace});
    }
    SetCaretLogical(InsertAt(caret, text));
    AfterEdit();
}

void CMyEditCtrl::TabKey()
{
    if (!tabsAsSpaces_) {
        TypeText(u"\t");
        return;
    }
    const int size = std::max(1, metrics_.TabSize());
    const int visual = metrics_.VisualColumn(m_document.Store().Row(m_selection.Caret().row), m_selection.Caret().column);
    TypeText(std::u16string(size - visual % size, u' '));
}

std::u16string CMyEditCtrl::Indentation(TextPos caret) const
{
    const auto text = m_document.Store().LineText(caret.line);
    int visual = 0;
    for (int i = 0; i < caret.column && IsBlank(text[i]); ++i)
        visual += metrics_.ColumnsOf(text[i], visual);
    const int size = metrics_.TabSize();
    if (tabsAsSpaces_ || size <= 0)
        return std::u16string(visual, u' ');
    return std::u16string(visual / size, u'\t') + std::u16string(visual % size, u' ');
}

void CMyEditCtrl::EnterKey()
{
    if (RefuseIfReadOnly())
        return;
    if (overwriteMode_) {
        if (m_selection.Caret().row + 1 < m_document.Store().RowCount())
            MoveCaret({m_selection.Caret().row + 1, 0}, false);
        return;
    }
    auto action = m_document.Action(ACTION_TYPING);
    DeleteSelection();
    const TextPos caret = PosOf(m_selection.Caret());
    SetCaretLogical(InsertAt(caret, u"\r\n" + Indentation(caret)));
    AfterEdit();
}

void CMyEditCtrl::BackspaceKey(bool word)
{
    DeleteBesideCaret(false, word);
}

void CMyEditCtrl::DeleteKey(bool word)
{
    DeleteBesideCaret(true, word);
}

// Backspace and Delete: the selection when there is one, else the text
// between the caret and one step (a unit, a word, a row end) back or on.
void CMyEditCtrl::DeleteBesideCaret(bool forward, bool word)
{
    if (RefuseIfReadOnly())
        return;
    auto action = m_document.Action(ACTION_DELETION);
    if (HasSelection()) {
        DeleteSelection();
    } else {
        const TextPos caret = PosOf(m_selection.Caret());
        const TextPos other = forward ? (word ? WordRight(caret) : m_document.Store().After(caret))
                                      : (word ? WordLeft(caret) : m_document.Store().Before(caret));
        RemoveRange(std::min(caret, other), std::max(caret, other));
        SetCaretLogical(std::min(caret, other));
    }
    AfterEdit();
}

// ---------------------------------------------------------------------------
// Clipboard

QString CMyEditCtrl::SelectedText() const
{
    std::u16string text;
    if (!HasSelection())
        return {};
    if (!m_selection.IsColumn()) {
        text = m_document.Store().Text(SelectionStart(), SelectionEnd());
    } else {
        for (int r = m_selection.FirstRow(); r <= m_selection.LastRow(); ++r) {
            const RowEntry& row = m_document.Store().Row(r);
            int from = 0;
            int to = 0;
            m_selection.RowSpan(m_document.Store(), metrics_, r, from, to);
            from = std::clamp(from, 0, row.length);
            to = std::clamp(to, from, row.length);
            if (row.text)
                text.append(row.text + from, row.text + to);
            text += u"\r\n";
        }
    }
    std::replace(text.begin(), text.end(), u'\0', u' ');
    return ToQ(text);
}

QMimeData* CMyEditCtrl::CreateSelectionMimeData() const
{
    return m_dragDrop.CreateMimeData(SelectedText(), IsColumnSelection());
}

bool CMyEditCtrl::Copy()
{
    if (!HasSelection() || (m_selection.Length() == 0 && !IsColumnSelection()))
        return false;
    QMimeData* data = CreateSelectionMimeData();
    m_dragDrop.RememberBlock(data);
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

bool CMyEditCtrl::Cut()
{
    if (RefuseIfReadOnly())
        return false;
    if (!Copy())
        return false;
    DeleteKey(false);
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
    auto action = m_document.Action(ACTION_PASTE);
    DeleteSelection();
    if (block)
        PasteColumnBlock(text);
    else
        SetCaretLogical(InsertAt(PosOf(m_selection.Caret()), text));
    AfterEdit();
    return true;
}

std::u16string CMyEditCtrl::FillTo(int line, int x) const
{
    int width = 0;
    int visual = 0;
    if (line < m_document.Store().LineCount()) {
        const RowEntry& row = m_document.Store().Row(m_document.Store().FirstRowOfLine(line));
        width = metrics_.XOfColumn(row, row.length);
        visual = metrics_.VisualColumn(row, row.length);
    }
    std::u16string fill;
    const int size = metrics_.TabSize();
    const int space = metrics_.SpaceWidth();
    if (!tabsAsSpaces_ && size > 0) {
        while (width + (size - visual % size) * space <= x) {
            width += (size - visual % size) * space;
            visual += size - visual % size;
            fill += u'\t';
        }
    }
    while (width + space <= x) {
        width += space;
        fill += u' ';
    }
    return fill;
}

void CMyEditCtrl::InsertAsColumnBlock(const std::u16string& text, int x, int line)
{
    std::vector<std::u16string> pieces;
    size_t start = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\r' && text[i + 1] == u'\n') {
            pieces.push_back(text.substr(start, i - start));
            start = i + 2;
            ++i;
        }
    }
    if (start < text.size())
        pieces.push_back(text.substr(start));
    TextPos end = PosOf(m_selection.Caret());
    for (size_t i = 0; i < pieces.size(); ++i) {
        const int target = line + static_cast<int>(i);
        if (target < m_document.Store().LineCount()) {
            const RowEntry& row = m_document.Store().Row(m_document.Store().FirstRowOfLine(target));
            if (metrics_.XOfColumn(row, row.length) >= x) {
                end = InsertAt({target, metrics_.ColumnAtX(row, x)}, pieces[i]);
            } else {
                end = InsertAt({target, row.length}, FillTo(target, x) + pieces[i]);
            }
        } else {
            end = InsertAt(m_document.Store().End(), u"\r\n" + FillTo(target, x) + pieces[i]);
        }
    }
    SetCaretLogical(end);
}

void CMyEditCtrl::PasteColumnBlock(const std::u16string& text)
{
    InsertAsColumnBlock(text, CaretX(), m_document.Store().LineOfRow(m_selection.Caret().row));
}

// ---------------------------------------------------------------------------
// Undo and redo

bool CMyEditCtrl::CanUndo() const
{
    return !readOnly_ && m_document.CanUndo();
}

bool CMyEditCtrl::CanRedo() const
{
    return !readOnly_ && m_document.CanRedo();
}

bool CMyEditCtrl::Undo()
{
    if (RefuseIfReadOnly() || !CanUndo())
        return false;
    ClearSelection();
    ApplyUndoStep(true);
    return true;
}

bool CMyEditCtrl::Redo()
{
    if (RefuseIfReadOnly() || !CanRedo())
        return false;
    ClearSelection();
    ApplyUndoStep(false);
    return true;
}

void CMyEditCtrl::ApplyUndoStep(bool undo)
{
    const TextPos caret = PosOf(m_selection.Caret());
    SetCaretLogical(undo ? m_document.Undo(caret) : m_document.Redo(caret));
    SetModified(!m_document.AtClean());
    dirtyAll_ = true;
    AfterEdit();
}

void CMyEditCtrl::ResetUndo()
{
    m_document.ResetUndo();
}

void CMyEditCtrl::SetUndoEnabled(bool on)
{
    m_document.SetUndoEnabled(on);
}

// ---------------------------------------------------------------------------
// Selection

TextPos CMyEditCtrl::PosOf(Cell cell) const
{
    return m_document.Store().RowToLogical(cell.row, cell.column);
}

CMyEditCtrl::Cell CMyEditCtrl::CellOf(TextPos pos) const
{
    Cell cell;
    cell.row = m_document.Store().RowOfPos(pos, &cell.column);
    return cell;
}

TextPos CMyEditCtrl::SelectionStart() const
{
    return m_selection.Start(m_document.Store(), metrics_, PosOf(m_selection.Caret()));
}

TextPos CMyEditCtrl::SelectionEnd() const
{
    return m_selection.End(m_document.Store(), metrics_, PosOf(m_selection.Caret()));
}

void CMyEditCtrl::ClearRowSelection()
{
    if (m_selection.Active())
        UpdateRows(m_selection.FirstRow(), m_selection.LastRow());
    m_selection.Clear();
}

void CMyEditCtrl::ClearSelection()
{
    ClearRowSelection();
    m_selection.SetAnchor(PosOf(m_selection.Caret()));
}

void CMyEditCtrl::SetStreamSelection(TextPos anchor, TextPos caret)
{
    ClearRowSelection();
    m_selection.SetStream(m_document.Store(), anchor, caret);
    if (m_selection.Active())
        viewport()->update();
}

void CMyEditCtrl::SetColumnSelection(int firstRow, int lastRow, int leftX, int rightX)
{
    ClearRowSelection();
    m_selection.SetColumn(m_document.Store(), metrics_, firstRow, lastRow, leftX, rightX);
    viewport()->update();
}

bool CMyEditCtrl::IsInSelection(TextPos pos) const
{
    return m_selection.Contains(m_document.Store(), metrics_, pos, PosOf(m_selection.Caret()));
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
        end = m_document.Store().End();
    } else {
        start = m_document.Store().Clamp({startLine, startColumn});
        end = m_document.Store().Clamp({endLine, endColumn});
    }
    SetCaretLogical(end);
    SetStreamSelection(start, end);
    EnsureCaretVisible();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Bookmarks

void CMyEditCtrl::SetBookmark(bool on, int line, bool redraw)
{
    if (line == -1)
        line = m_document.Store().LineOfRow(m_selection.Caret().row);
    if (m_document.SetBookmark(line, on) && redraw)
        viewport()->update();
}

bool CMyEditCtrl::IsBookmarked(int line) const
{
    if (line == -1)
        line = m_document.Store().LineOfRow(m_selection.Caret().row);
    return m_document.Store().IsBookmarked(line);
}

int CMyEditCtrl::NextBookmark(bool wrap)
{
    const int caretLine = m_document.Store().LineOfRow(m_selection.Caret().row);
    int found = m_document.Store().FindBookmark(caretLine, true, m_document.Store().LineCount() - 1);
    if (found < 0 && wrap && m_document.Store().BookmarkCount() > 0) {
        Notify(NOTIFY_BOOKMARK_WRAPPED, -1);
        found = m_document.Store().FindBookmark(-1, true, caretLine);
    }
    return found;
}

int CMyEditCtrl::PreviousBookmark(bool wrap)
{
    const int caretLine = m_document.Store().LineOfRow(m_selection.Caret().row);
    int found = m_document.Store().FindBookmark(caretLine, false, 0);
    if (found < 0 && wrap && m_document.Store().BookmarkCount() > 0) {
        Notify(NOTIFY_BOOKMARK_WRAPPED, 0);
        found = m_document.Store().FindBookmark(m_document.Store().LineCount(), false, caretLine);
    }
    return found;
}

void CMyEditCtrl::ClearBookmarks()
{
    m_document.ClearBookmarks();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Settings










void CMyEditCtrl::SetFont(const QFont& font, int cellHeight, int cellWidth)
{
    metrics_.SetFont(font, cellHeight, cellWidth);
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
    metrics_.SetTabSize(size);
    if (m_layout.WrapMode() != 0)
        StartRewrap();
    viewport()->update();
}

void CMyEditCtrl::SetLineSpacing(int spacing)
{
    if (spacing < 0)
        return;
    metrics_.SetLineSpacing(spacing);
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetCharSpacing(int spacing)
{
    if (spacing < 0 || spacing == metrics_.CharSpacing())
        return;
    metrics_.SetCharSpacing(spacing);
    if (m_layout.WrapMode() != 0)
        RewrapNow();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetDelimiters(const QString& delimiters)
{
    delimiters_ = delimiters.left(kMaxDelimiters);
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

#include "app/edit/CMyEditCtrl.h"

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
#include <unistd.h>

namespace kdx {

namespace {

constexpr int kMaxDelimiters = 63;
constexpr int kMaxImeUnits = 260;
const QString kDefaultDelimiters = QString::fromUtf16(u",.?!;:/\"'\\()[]{}<>，。、？！；：／");

std::u16string ToU16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}

QString ToQ(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Text from other programs uses lone LF line ends; the control's line break
// is CR LF, so a lone LF becomes CR LF (a lone CR stays a character).
std::u16string NormaliseForeignBreaks(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            out += u'\r';
        out += text[i];
    }
    return out;
}

int DigitCount(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

} // namespace

CMyEditCtrl::CMyEditCtrl(QWidget* parent, bool scrollBars)
    : QAbstractScrollArea(parent), delimiters_(kDefaultDelimiters), splitter_(metrics_, delimiters_)
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
    colours_[COLOUR_TEXT] = pal.color(QPalette::Text);
    colours_[COLOUR_BACKGROUND] = pal.color(QPalette::Base);
    colours_[COLOUR_SELECTED_TEXT] = pal.color(QPalette::HighlightedText);
    colours_[COLOUR_SELECTION] = pal.color(QPalette::Highlight);
    colours_[COLOUR_RULER_MARKS] = pal.color(QPalette::WindowText);
    colours_[COLOUR_RULER_BACKGROUND] = pal.color(QPalette::Button);
    colours_[COLOUR_LINE_NUMBERS] = pal.color(QPalette::WindowText);
    colours_[COLOUR_NUMBER_BACKGROUND] = pal.color(QPalette::Button);
    colours_[COLOUR_CURRENT_ROW] = QColor(255, 255, 0);
    colours_[COLOUR_BOOKMARK] = QColor(102, 204, 255);
    colours_[COLOUR_WHITESPACE] = QColor(102, 204, 255);

    connect(&caretTimer_, &QTimer::timeout, this, [this] {
        caretOn_ = !caretOn_;
        viewport()->update(CaretRect());
    });
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
    rulerRect_ = ruler;
    marginRect_ = margin;
    textRect_ = text;
}

void CMyEditCtrl::Layout()
{
    const QRect client = viewport()->rect();
    const int rulerHeight = showRuler_ ? std::max(metrics_.FontHeight(), 16) : 3;
    gapWidth_ = showRuler_ ? std::max(metrics_.AverageWidth() / 2, 5) : 5;
    numberWidth_ = 0;
    if (showLineNumbers_)
        numberWidth_ = std::max(20, DigitCount(store_.LineCount()) * metrics_.WidestDigit() + 5);
    const int marginWidth = gapWidth_ + numberWidth_;
    SetAreas(QRect(0, 0, client.width(), rulerHeight),
             QRect(0, rulerHeight, marginWidth, std::max(0, client.height() - rulerHeight)),
             QRect(marginWidth, rulerHeight, std::max(0, client.width() - marginWidth),
                   std::max(0, client.height() - rulerHeight)));
}


// ---------------------------------------------------------------------------
// Low-level editing with undo recording

TextPos CMyEditCtrl::InsertAt(TextPos at, std::u16string_view text)
{
    at = store_.Clamp(at);
    const int rows = store_.RowCount();
    TextPos end = store_.Insert(at, text);
    // Over the limit: take the insertion back and insert the longest head
    // of it that fits. Wrap points move with the text, so the head is found
    // by trying, among heads no longer than the room left.
    if (textLimit_ > 0 && WrappedLength() > textLimit_ && end != at) {
        store_.Remove(at, end);
        const auto fits = [&](size_t units) {
            const TextPos tried = store_.Insert(at, text.substr(0, units));
            const bool ok = WrappedLength() <= textLimit_;
            store_.Remove(at, tried);
            return ok;
        };
        size_t low = 0;
        size_t high = static_cast<size_t>(std::clamp<int64_t>(textLimit_ - WrappedLength(), 0,
                                                              static_cast<int64_t>(text.size())));
        while (low < high) {
            const size_t middle = (low + high + 1) / 2;
            if (fits(middle))
                low = middle;
            else
                high = middle - 1;
        }
        if (low > 0 && low < text.size() && text[low - 1] == u'\r' && text[low] == u'\n')
            --low;  // never half a line break
        if (low > 0 && QChar::isHighSurrogate(text[low - 1]))
            --low;  // nor half a character
        text = text.substr(0, low);
        end = store_.Insert(at, text);
    }
    MarkDirty(store_.FirstRowOfLine(at.line), rows != store_.RowCount());
    if (undoEnabled_)
        undo_.RecordInsert(at, end);
    if (end != at)
        SetModified(true);
    return end;
}

void CMyEditCtrl::RemoveRange(TextPos from, TextPos to)
{
    from = store_.Clamp(from);
    to = store_.Clamp(to);
    if (to < from)
        std::swap(from, to);
    if (from == to)
        return;
    const int rows = store_.RowCount();
    std::u16string text = store_.Remove(from, to);
    MarkDirty(store_.FirstRowOfLine(from.line), rows != store_.RowCount());
    if (undoEnabled_)
        undo_.RecordDelete(from, to, std::move(text));
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
    const int top = std::max(textRect_.top(), RowTop(from));
    const int bottom = to == INT_MAX ? viewport()->height() : RowTop(to + 1);
    if (bottom > top)
        viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
}

void CMyEditCtrl::AfterEdit()
{
    // Repaint only the changed rows when nothing else moved.
    const QRect oldText = textRect_;
    const int oldFirstRow = firstRow_;
    const int oldFirstColumn = firstColumn_;
    const int oldCaretRow = caretRow_;
    Relayout();
    UpdateScrollBars();
    EnsureCaretVisible();
    RestartCaretBlink();
    if (dirtyAll_ || dirtyRow_ < 0 || textRect_ != oldText || firstRow_ != oldFirstRow
        || firstColumn_ != oldFirstColumn) {
        viewport()->update();
    } else {
        UpdateRows(dirtyRow_, dirtyToEnd_ ? INT_MAX : dirtyRow_ + store_.RowsOfLine(store_.FirstRowOf(dirtyRow_)) - 1);
        UpdateRows(oldCaretRow, oldCaretRow);
        UpdateRows(caretRow_, caretRow_);
    }
    dirtyRow_ = -1;
    dirtyToEnd_ = false;
    dirtyAll_ = false;
}

void CMyEditCtrl::DeleteSelection()
{
    if (!HasSelection())
        return;
    if (selMode_ != 2) {
        const TextPos start = SelectionStart();
        const TextPos end = SelectionEnd();
        ClearRowSelection();
        RemoveRange(start, end);
        SetCaretLogical(start);
        return;
    }
    std::vector<std::pair<TextPos, TextPos>> parts;
    for (int r = firstSelRow_; r <= lastSelRow_ && r < store_.RowCount(); ++r) {
        const RowEntry& row = store_.Row(r);
        const int from = std::clamp(row.selStart, 0, row.length);
        const int to = std::clamp(row.selEnd, 0, row.length);
        parts.emplace_back(store_.RowToLogical(r, from), store_.RowToLogical(r, to));
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
    UndoActionScope action(undo_, ACTION_INSERTION);
    DeleteSelection();
    TextPos at;
    if (line == -1)
        at = column == -1 ? store_.End() : PosOf({caretRow_, caretColumn_});
    else
        at = store_.Clamp({line, column});
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
    UndoActionScope action(undo_, ACTION_DELETION);
    ClearSelection();
    if (startLine == -1 && endLine == 0) {
        DeleteKey(false);
        return true;
    }
    TextPos from = store_.Clamp({startLine, startColumn});
    TextPos to = (startLine == 0 && startColumn == 0 && endLine == -1) ? store_.End()
                                                                      : store_.Clamp({endLine, endColumn});
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
    if (line < 0 || line >= store_.LineCount())
        return 0;
    const auto text = store_.LineText(line);
    const int n = std::min(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

QString CMyEditCtrl::LineText(int line) const
{
    return ToQ(store_.LineText(line));
}

QString CMyEditCtrl::Text() const
{
    return ToQ(store_.AllText());
}

TextPos CMyEditCtrl::GetCaret(bool displayColumn) const
{
    if (displayColumn)
        return {store_.LineOfRow(caretRow_), metrics_.VisualColumn(store_.Row(caretRow_), caretColumn_)};
    return PosOf({caretRow_, caretColumn_});
}

void CMyEditCtrl::SetCaret(int line, int column)
{
    const TextPos pos = store_.Clamp({line, column});
    if (pos != PosOf({caretRow_, caretColumn_}))
        ClearSelection();
    SetCaretLogical(pos);
    EnsureCaretVisible(true);
    viewport()->update();
}

void CMyEditCtrl::TypeText(const std::u16string& text)
{
    if (RefuseIfReadOnly() || text.empty())
        return;
    UndoActionScope action(undo_, ACTION_TYPING);
    DeleteSelection();
    TextPos caret = PosOf({caretRow_, caretColumn_});
    if (overwriteMode_) {
        const int available = store_.LineLength(caret.line) - caret.column;
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
    const int visual = metrics_.VisualColumn(store_.Row(caretRow_), caretColumn_);
    TypeText(std::u16string(size - visual % size, u' '));
}

std::u16string CMyEditCtrl::Indentation(TextPos caret) const
{
    const auto text = store_.LineText(caret.line);
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
        if (caretRow_ + 1 < store_.RowCount())
            MoveCaret({caretRow_ + 1, 0}, false);
        return;
    }
    UndoActionScope action(undo_, ACTION_TYPING);
    DeleteSelection();
    const TextPos caret = PosOf({caretRow_, caretColumn_});
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
    UndoActionScope action(undo_, ACTION_DELETION);
    if (HasSelection()) {
        DeleteSelection();
    } else {
        const TextPos caret = PosOf({caretRow_, caretColumn_});
        const TextPos other = forward ? (word ? WordRight(caret) : store_.After(caret))
                                      : (word ? WordLeft(caret) : store_.Before(caret));
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
    if (selMode_ != 2) {
        text = store_.Text(SelectionStart(), SelectionEnd());
    } else {
        for (int r = firstSelRow_; r <= lastSelRow_; ++r) {
            const RowEntry& row = store_.Row(r);
            const int from = std::clamp(row.selStart, 0, row.length);
            const int to = std::clamp(row.selEnd, from, row.length);
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
    auto* data = new QMimeData;
    const QString text = SelectedText();
    data->setText(text);
    if (IsColumnSelection()) {
        const QString token = QStringLiteral("%1:%2:%3")
                                  .arg(getpid())
                                  .arg(reinterpret_cast<quintptr>(this), 0, 16)
                                  .arg(text.size());
        data->setData(kColumnBlockMime, token.toUtf8());
    }
    return data;
}

bool CMyEditCtrl::IsOwnColumnBlock(const QMimeData* data) const
{
    return data && !columnToken_.isEmpty() && data->hasFormat(kColumnBlockMime)
           && QString::fromUtf8(data->data(kColumnBlockMime)) == columnToken_
           && data->text().size() == columnToken_.section(':', 2).toInt();
}

bool CMyEditCtrl::Copy()
{
    if (!HasSelection() || (selLength_ == 0 && !IsColumnSelection()))
        return false;
    QMimeData* data = CreateSelectionMimeData();
    columnToken_ = data->hasFormat(kColumnBlockMime) ? QString::fromUtf8(data->data(kColumnBlockMime))
                                                     : QString();
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
    const bool block = IsOwnColumnBlock(data) && wrapMode_ == 0;
    const std::u16string text = block ? ToU16(data->text()) : NormaliseForeignBreaks(ToU16(data->text()));
    UndoActionScope action(undo_, ACTION_PASTE);
    DeleteSelection();
    if (block)
        PasteColumnBlock(text);
    else
        SetCaretLogical(InsertAt(PosOf({caretRow_, caretColumn_}), text));
    AfterEdit();
    return true;
}

std::u16string CMyEditCtrl::FillTo(int line, int x) const
{
    int width = 0;
    int visual = 0;
    if (line < store_.LineCount()) {
        const RowEntry& row = store_.Row(store_.FirstRowOfLine(line));
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
    TextPos end = PosOf({caretRow_, caretColumn_});
    for (size_t i = 0; i < pieces.size(); ++i) {
        const int target = line + static_cast<int>(i);
        if (target < store_.LineCount()) {
            const RowEntry& row = store_.Row(store_.FirstRowOfLine(target));
            if (metrics_.XOfColumn(row, row.length) >= x) {
                end = InsertAt({target, metrics_.ColumnAtX(row, x)}, pieces[i]);
            } else {
                end = InsertAt({target, row.length}, FillTo(target, x) + pieces[i]);
            }
        } else {
            end = InsertAt(store_.End(), u"\r\n" + FillTo(target, x) + pieces[i]);
        }
    }
    SetCaretLogical(end);
}

void CMyEditCtrl::PasteColumnBlock(const std::u16string& text)
{
    InsertAsColumnBlock(text, CaretX(), store_.LineOfRow(caretRow_));
}

// ---------------------------------------------------------------------------
// Undo and redo

bool CMyEditCtrl::CanUndo() const
{
    return !readOnly_ && undoEnabled_ && undo_.Position() > 0;
}

bool CMyEditCtrl::CanRedo() const
{
    return !readOnly_ && undoEnabled_ && undo_.Total() - undo_.Position() > 0;
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
    TextPos caret = PosOf({caretRow_, caretColumn_});
    if (undo) {
        int position = undo_.Position();
        while (position > 0) {
            UndoEntry& entry = undo_.At(position - 1);
            if (entry.flags & UNDO_INSERTED) {
                entry.text = store_.Remove(entry.start, entry.end);
                caret = entry.start;
            } else {
                entry.end = store_.Insert(entry.start, entry.text);
                entry.text.clear();
                entry.text.shrink_to_fit();
                caret = entry.end;
            }
            --position;
            if ((entry.flags & UNDO_GROUP_START) || !(entry.flags & UNDO_IN_GROUP))
                break;
        }
        undo_.SetPosition(position);
    } else {
        int position = undo_.Position();
        while (position < undo_.Total()) {
            UndoEntry& entry = undo_.At(position);
            if (entry.flags & UNDO_INSERTED) {
                entry.end = store_.Insert(entry.start, entry.text);
                entry.text.clear();
                entry.text.shrink_to_fit();
                caret = entry.end;
            } else {
                entry.text = store_.Remove(entry.start, entry.end);
                caret = entry.start;
            }
            ++position;
            if (position >= undo_.Total())
                break;
            const UndoEntry& next = undo_.At(position);
            if ((next.flags & UNDO_GROUP_START) || !(next.flags & UNDO_IN_GROUP))
                break;
        }
        undo_.SetPosition(position);
    }
    SetCaretLogical(caret);
    SetModified(!undo_.AtClean());
    dirtyAll_ = true;
    AfterEdit();
}

void CMyEditCtrl::ResetUndo()
{
    undo_.Reset();
}

void CMyEditCtrl::SetUndoEnabled(bool on)
{
    if (!on)
        ResetUndo();
    undoEnabled_ = on;
}

// ---------------------------------------------------------------------------
// Selection

TextPos CMyEditCtrl::PosOf(Cell cell) const
{
    return store_.RowToLogical(cell.row, cell.column);
}

CMyEditCtrl::Cell CMyEditCtrl::CellOf(TextPos pos) const
{
    Cell cell;
    cell.row = store_.RowOfPos(pos, &cell.column);
    return cell;
}

TextPos CMyEditCtrl::SelectionStart() const
{
    if (selMode_ == 2)
        return store_.RowToLogical(firstSelRow_, store_.Row(firstSelRow_).selStart);
    return std::min(anchor_, PosOf({caretRow_, caretColumn_}));
}

TextPos CMyEditCtrl::SelectionEnd() const
{
    if (selMode_ == 2) {
        const RowEntry& row = store_.Row(lastSelRow_);
        return store_.RowToLogical(lastSelRow_, std::min(row.selEnd, row.length));
    }
    return std::max(anchor_, PosOf({caretRow_, caretColumn_}));
}

void CMyEditCtrl::ClearRowSelection()
{
    if (firstSelRow_ >= 0) {
        UpdateRows(firstSelRow_, lastSelRow_);
        for (int r = firstSelRow_; r <= lastSelRow_ && r < store_.RowCount(); ++r) {
            RowEntry& row = const_cast<RowEntry&>(store_.Row(r));
            row.selStart = row.selEnd = -1;
        }
    }
    firstSelRow_ = lastSelRow_ = -1;
    selLength_ = 0;
    selMode_ = 0;
}

void CMyEditCtrl::ClearSelection()
{
    ClearRowSelection();
    anchor_ = PosOf({caretRow_, caretColumn_});
}

void CMyEditCtrl::SetStreamSelection(TextPos anchor, TextPos caret)
{
    ClearRowSelection();
    anchor_ = anchor;
    if (anchor == caret)
        return;
    const TextPos start = std::min(anchor, caret);
    const TextPos end = std::max(anchor, caret);
    firstSelRow_ = store_.RowOfPos(start);
    lastSelRow_ = store_.RowOfPos(end);
    for (int r = firstSelRow_; r <= lastSelRow_; ++r) {
        RowEntry& row = const_cast<RowEntry&>(store_.Row(r));
        const int line = store_.LineOfRow(r);
        const int offset = store_.RowOffset(r);
        const TextPos rowStart{line, offset};
        const TextPos rowEnd{line, offset + row.length};
        row.selStart = start > rowStart ? start.column - offset : 0;
        if (end > rowEnd)
            row.selEnd = (row.flags & ROW_LINE_BREAK) ? row.length + 1 : row.length;
        else
            row.selEnd = end.column - offset;
    }
    selMode_ = 0;
    selLength_ = store_.Distance(start, end);
    viewport()->update();
}

void CMyEditCtrl::SetColumnSelection(int firstRow, int lastRow, int leftX, int rightX)
{
    ClearRowSelection();
    if (firstRow > lastRow)
        std::swap(firstRow, lastRow);
    if (leftX > rightX)
        std::swap(leftX, rightX);
    firstRow = std::clamp(firstRow, 0, store_.RowCount() - 1);
    lastRow = std::clamp(lastRow, 0, store_.RowCount() - 1);
    columnLeftX_ = leftX;
    columnRightX_ = rightX;
    firstSelRow_ = firstRow;
    lastSelRow_ = lastRow;
    selMode_ = 2;
    selLength_ = 0;
    for (int r = firstRow; r <= lastRow; ++r) {
        RowEntry& row = const_cast<RowEntry&>(store_.Row(r));
        row.selStart = metrics_.ColumnAtX(row, leftX);
        row.selEnd = metrics_.ColumnAtX(row, rightX);
        selLength_ += row.selEnd - row.selStart + 2;
    }
    anchor_ = store_.RowToLogical(firstRow, store_.Row(firstRow).selStart);
    viewport()->update();
}

bool CMyEditCtrl::IsInSelection(TextPos pos) const
{
    if (!HasSelection())
        return false;
    if (selMode_ == 2) {
        const Cell cell = CellOf(pos);
        if (cell.row < firstSelRow_ || cell.row > lastSelRow_)
            return false;
        const RowEntry& row = store_.Row(cell.row);
        return cell.column >= row.selStart && cell.column <= row.selEnd;
    }
    return pos >= SelectionStart() && pos <= SelectionEnd();
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
        end = store_.End();
    } else {
        start = store_.Clamp({startLine, startColumn});
        end = store_.Clamp({endLine, endColumn});
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
        line = store_.LineOfRow(caretRow_);
    if (store_.SetBookmark(line, on) && redraw)
        viewport()->update();
}

bool CMyEditCtrl::IsBookmarked(int line) const
{
    if (line == -1)
        line = store_.LineOfRow(caretRow_);
    return store_.IsBookmarked(line);
}

int CMyEditCtrl::NextBookmark(bool wrap)
{
    const int caretLine = store_.LineOfRow(caretRow_);
    int found = store_.FindBookmark(caretLine, true, store_.LineCount() - 1);
    if (found < 0 && wrap && store_.BookmarkCount() > 0) {
        Notify(NOTIFY_BOOKMARK_WRAPPED, -1);
        found = store_.FindBookmark(-1, true, caretLine);
    }
    return found;
}

int CMyEditCtrl::PreviousBookmark(bool wrap)
{
    const int caretLine = store_.LineOfRow(caretRow_);
    int found = store_.FindBookmark(caretLine, false, 0);
    if (found < 0 && wrap && store_.BookmarkCount() > 0) {
        Notify(NOTIFY_BOOKMARK_WRAPPED, 0);
        found = store_.FindBookmark(store_.LineCount(), false, caretLine);
    }
    return found;
}

void CMyEditCtrl::ClearBookmarks()
{
    store_.ClearBookmarks();
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Settings










void CMyEditCtrl::SetFont(const QFont& font, int cellHeight)
{
    metrics_.SetFont(font, cellHeight);
    Layout();
    if (wrapMode_ != 0)
        StartRewrap();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetColour(int slot, const QColor& colour)
{
    if (slot < 1 || slot > 11)
        return;
    colours_[slot] = colour;
    viewport()->update();
}

QColor CMyEditCtrl::Colour(int slot) const
{
    return slot >= 1 && slot <= 11 ? colours_[slot] : QColor();
}

void CMyEditCtrl::SetTabSize(int size)
{
    if (size < 0 || size > 64)
        return;
    metrics_.SetTabSize(size);
    if (wrapMode_ != 0)
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
    if (wrapMode_ != 0)
        RewrapNow();
    UpdateScrollBars();
    viewport()->update();
}

void CMyEditCtrl::SetDelimiters(const QString& delimiters)
{
    delimiters_ = delimiters.left(kMaxDelimiters);
    if (wrapMode_ != 0)
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
    showSpacesAndTabs_ = on;
    viewport()->update();
}

void CMyEditCtrl::ShowLineEnds(bool on)
{
    showLineEnds_ = on;
    viewport()->update();
}

void CMyEditCtrl::HighlightCurrentLine(bool on)
{
    highlightCurrentLine_ = on;
    viewport()->update();
}

} // namespace kdx

#include "edit/TextStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kdx {

std::vector<std::u16string_view> SplitAtBreaks(std::u16string_view text)
{
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\r' && text[i + 1] == u'\n') {
            parts.push_back(text.substr(start, i - start));
            start = i + 2;
            ++i;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

namespace {

void CopyUnits(char16_t* to, const char16_t* from, size_t n)
{
    if (n)
        std::memmove(to, from, n * sizeof(char16_t));
}

} // namespace

TextStore::TextStore()
{
    rows_[0].flags = 0;  // the last row of the text carries no line break
    chunks_.SetRelocator([this](TextChunk* from, TextChunk* to) { Relocate(from, to); });
}

int TextStore::FirstRowOf(int row) const
{
    const RowEntry& r = rows_[row];
    return r.IsContinuation() ? row - r.lineLengthOrIndex : row;
}

int TextStore::FirstRowOfLine(int line) const
{
    line = std::clamp(line, 0, lineCount_ - 1);
    if (!Wrapped())
        return line;
    int lo = 0;
    int hi = rows_.Count() - 1;
    while (lo <= hi) {
        const int first = FirstRowOf(lo + (hi - lo) / 2);
        const int found = rows_[first].lineNumber;
        if (found == line)
            return first;
        if (found < line)
            lo = first + RowsOfLine(first);
        else
            hi = first - 1;
    }
    return std::clamp(lo, 0, rows_.Count() - 1);
}

int TextStore::RowsOfLine(int firstRow) const
{
    int r = firstRow + 1;
    while (r < rows_.Count() && rows_[r].IsContinuation())
        ++r;
    return r - firstRow;
}

int TextStore::LineOfRow(int row) const
{
    return Wrapped() ? rows_[FirstRowOf(row)].lineNumber : row;
}

int TextStore::RowOffset(int row) const
{
    const RowEntry& r = rows_[row];
    if (!r.IsContinuation())
        return 0;
    return static_cast<int>(r.text - rows_[row - r.lineLengthOrIndex].text);
}

TextPos TextStore::RowToLogical(int row, int column) const
{
    row = std::clamp(row, 0, rows_.Count() - 1);
    return {LineOfRow(row), RowOffset(row) + std::clamp(column, 0, rows_[row].length)};
}

int TextStore::RowOfPos(TextPos pos, int* columnInRow) const
{
    pos = Clamp(pos);
    int r = FirstRowOfLine(pos.line);
    while (r + 1 < rows_.Count() && rows_[r + 1].IsContinuation() && pos.column >= RowOffset(r + 1))
        ++r;
    if (columnInRow)
        *columnInRow = pos.column - RowOffset(r);
    return r;
}

int TextStore::LineLength(int line) const
{
    if (line < 0 || line >= lineCount_)
        return -1;
    return rows_[FirstRowOfLine(line)].lineLengthOrIndex;
}

std::u16string_view TextStore::LineText(int line) const
{
    if (line < 0 || line >= lineCount_)
        return {};
    const RowEntry& r = rows_[FirstRowOfLine(line)];
    if (!r.text)
        return {};
    return {r.text, static_cast<size_t>(r.lineLengthOrIndex)};
}

TextPos TextStore::Clamp(TextPos pos) const
{
    pos.line = std::clamp(pos.line, 0, lineCount_ - 1);
    pos.column = std::clamp(pos.column, 0, LineLength(pos.line));
    return pos;
}

TextPos TextStore::End() const
{
    return {lineCount_ - 1, LineLength(lineCount_ - 1)};
}

TextPos TextStore::Before(TextPos pos) const
{
    pos = Clamp(pos);
    if (pos.column > 0)
        return {pos.line, pos.column - 1};
    if (pos.line > 0)
        return {pos.line - 1, LineLength(pos.line - 1)};
    return pos;
}

TextPos TextStore::After(TextPos pos) const
{
    pos = Clamp(pos);
    if (pos.column < LineLength(pos.line))
        return {pos.line, pos.column + 1};
    if (pos.line + 1 < lineCount_)
        return {pos.line + 1, 0};
    return pos;
}

int64_t TextStore::Distance(TextPos from, TextPos to) const
{
    from = Clamp(from);
    to = Clamp(to);
    if (to < from)
        std::swap(from, to);
    if (from.line == to.line)
        return to.column - from.column;
    int64_t units = LineLength(from.line) - from.column + 2;
    for (int line = from.line + 1; line < to.line; ++line)
        units += LineLength(line) + 2;
    return units + to.column;
}

void TextStore::SplitLine(const RowEntry& first, bool lineBreak, std::vector<RowEntry>& out)
{
    const int length = first.lineLengthOrIndex;
    pieces_.clear();
    if (splitter_ && length > 0)
        splitter_->Split(first.text, length, pieces_);
    if (pieces_.empty())
        pieces_.push_back({0, length, 0});
    const int n = static_cast<int>(pieces_.size());
    for (int i = 0; i < n; ++i)
        out.push_back(PieceRow(first, i, n, lineBreak, first.lineNumber));
}

RowEntry TextStore::PieceRow(const RowEntry& first, int i, int n, bool lineBreak, int lineNumber) const
{
    RowEntry r;
    r.flags = (i == 0 ? (first.flags & ROW_BOOKMARK) : ROW_CONTINUATION)
              | (i == n - 1 && lineBreak ? ROW_LINE_BREAK : 0);
    r.lineNumber = (i == 0 && splitter_) ? lineNumber : -1;
    r.startColumn = pieces_[i].startColumn;
    r.length = pieces_[i].length;
    r.lineLengthOrIndex = i == 0 ? first.lineLengthOrIndex : i;
    r.text = first.text ? first.text + pieces_[i].offset : nullptr;
    r.block = i == 0 ? first.block : nullptr;
    return r;
}

void TextStore::ReplaceRows(int at, int oldCount, const std::vector<RowEntry>& fresh)
{
    const int n = static_cast<int>(fresh.size());
    if (n > oldCount)
        rows_.Insert(at + oldCount, n - oldCount);
    else if (n < oldCount)
        rows_.Remove(at + n, oldCount - n);
    for (int i = 0; i < n; ++i)
        rows_[at + i] = fresh[i];
}

int TextStore::RelayoutLine(int firstRow)
{
    const int oldRows = RowsOfLine(firstRow);
    const bool lineBreak = rows_[firstRow + oldRows - 1].flags & ROW_LINE_BREAK;
    freshRows_.clear();
    SplitLine(rows_[firstRow], lineBreak, freshRows_);
    ReplaceRows(firstRow, oldRows, freshRows_);
    return static_cast<int>(freshRows_.size());
}

void TextStore::BeginRewrap(const RowSplitter* splitter)
{
    if (!splitter_) {
        // Unwrapped rows carry no line numbers; the search by line needs them.
        for (int r = 0; r < rows_.Count(); ++r)
            rows_[r].lineNumber = r;
    }
    splitter_ = splitter;
    pendingLine_ = 0;
    rows_.SetBulk(true);
}

void TextStore::RewrapLines(int fromLine, int toLine)
{
    fromLine = std::max(fromLine, 0);
    toLine = std::min(toLine, lineCount_);
    if (fromLine >= toLine)
        return;
    int row = FirstRowOfLine(fromLine);
    for (int line = fromLine; line < toLine; ++line)
        row += RelayoutLine(row);
}

bool TextStore::RewrapSome(const std::function<bool()>& more)
{
    if (pendingLine_ < 0)
        return true;
    constexpr int kLinesBetweenAsks = 32;
    int row = FirstRowOfLine(pendingLine_);
    while (pendingLine_ < lineCount_) {
        for (int i = 0; i < kLinesBetweenAsks && pendingLine_ < lineCount_; ++i, ++pendingLine_)
            row += RelayoutLine(row);
        if (pendingLine_ < lineCount_ && !more())
            return false;
    }
    pendingLine_ = -1;
    rows_.SetBulk(false);
    return true;
}

void TextStore::Renumber(int fromRow)
{
    if (!splitter_)
        return;
    int line = 0;
    for (int r = fromRow - 1; r >= 0; --r) {
        if (!rows_[r].IsContinuation()) {
            line = rows_[r].lineNumber + 1;
            break;
        }
    }
    for (int r = fromRow; r < rows_.Count(); ++r) {
        if (!rows_[r].IsContinuation())
            rows_[r].lineNumber = line++;
    }
}

TextPos TextStore::Insert(TextPos at, std::u16string_view text)
{
    at = Clamp(at);
    if (text.empty())
        return at;
    const auto parts = SplitAtBreaks(text);
    const int first = FirstRowOfLine(at.line);
    const int oldLength = rows_[first].lineLengthOrIndex;
    if (parts.size() == 1) {
        const int n = static_cast<int>(text.size());
        RowEntry& r = rows_[first];
        chunks_.Resize(r.text, r.block, oldLength, oldLength + n);
        CopyUnits(r.text + at.column + n, r.text + at.column, oldLength - at.column);
        CopyUnits(r.text + at.column, text.data(), text.size());
        r.lineLengthOrIndex = oldLength + n;
        RelayoutLine(first);
        totalLength_ += n;
        chunks_.CompactPending();
        return {at.line, at.column + n};
    }

    const int k = static_cast<int>(parts.size()) - 1;
    const std::u16string tail(LineText(at.line).substr(at.column));
    const int oldRows = RowsOfLine(first);
    const bool lineBreak = rows_[first + oldRows - 1].flags & ROW_LINE_BREAK;
    // The new lines' rows are built aside and put in place in one move, so
    // that a long insertion does not shift the rest of the table per line.
    RowEntry head = rows_[first];
    const int headLength = at.column + static_cast<int>(parts[0].size());
    chunks_.Resize(head.text, head.block, oldLength, headLength);
    rows_[first].text = head.text;
    rows_[first].block = head.block;
    CopyUnits(head.text + at.column, parts[0].data(), parts[0].size());
    head.lineLengthOrIndex = headLength;
    head.flags &= ROW_BOOKMARK;
    std::vector<RowEntry> fresh;
    fresh.reserve(static_cast<size_t>(k) + 1);
    SplitLine(head, true, fresh);
    std::u16string last;
    for (int i = 1; i <= k; ++i) {
        std::u16string_view content = parts[i];
        if (i == k) {
            last.assign(parts[k]);
            last += tail;
            content = last;
        }
        RowEntry line;
        line.flags = 0;
        line.lineNumber = head.lineNumber >= 0 ? head.lineNumber + i : -1;
        const int n = static_cast<int>(content.size());
        if (n > 0) {
            line.text = chunks_.Allocate(n, line.block);
            CopyUnits(line.text, content.data(), content.size());
        }
        line.lineLengthOrIndex = n;
        SplitLine(line, i < k || lineBreak, fresh);
    }
    ReplaceRows(first, oldRows, fresh);
    lineCount_ += k;
    if (pendingLine_ > at.line)
        pendingLine_ += k;
    totalLength_ += static_cast<int64_t>(text.size());
    Renumber(first + static_cast<int>(fresh.size()));
    chunks_.CompactPending();
    return {at.line + k, static_cast<int>(parts[k].size())};
}

std::u16string TextStore::Remove(TextPos from, TextPos to)
{
    from = Clamp(from);
    to = Clamp(to);
    if (to < from)
        std::swap(from, to);
    if (from == to)
        return {};
    std::u16string removed = Text(from, to);
    const int first = FirstRowOfLine(from.line);
    if (from.line == to.line) {
        RowEntry& r = rows_[first];
        const int length = r.lineLengthOrIndex;
        CopyUnits(r.text + from.column, r.text + to.column, length - to.column);
        const int newLength = length - (to.column - from.column);
        chunks_.Resize(r.text, r.block, length, newLength);
        r.lineLengthOrIndex = newLength;
        RelayoutLine(first);
    } else {
        const std::u16string tail(LineText(to.line).substr(to.column));
        const int lastFirst = FirstRowOfLine(to.line);
        const int lastEnd = lastFirst + RowsOfLine(lastFirst);
        const bool lineBreak = rows_[lastEnd - 1].flags & ROW_LINE_BREAK;
        const int firstRows = RowsOfLine(first);
        for (int r = first + firstRows; r < lastEnd; ++r) {
            RowEntry& row = rows_[r];
            if (row.IsContinuation())
                continue;
            if (row.flags & ROW_BOOKMARK)
                --bookmarkCount_;
            chunks_.Release(row.text, row.block, row.lineLengthOrIndex);
        }
        rows_.Remove(first + firstRows, lastEnd - first - firstRows);
        if (firstRows > 1)
            rows_.Remove(first + 1, firstRows - 1);
        RowEntry& r = rows_[first];
        const int newLength = from.column + static_cast<int>(tail.size());
        chunks_.Resize(r.text, r.block, r.lineLengthOrIndex, newLength);
        CopyUnits(r.text + from.column, tail.data(), tail.size());
        r.length = r.lineLengthOrIndex = newLength;
        r.flags = (r.flags & ROW_BOOKMARK) | (lineBreak ? ROW_LINE_BREAK : 0);
        const int next = first + RelayoutLine(first);
        lineCount_ -= to.line - from.line;
        if (pendingLine_ > to.line)
            pendingLine_ -= to.line - from.line;
        else if (pendingLine_ > from.line)
            pendingLine_ = from.line + 1;
        Renumber(next);
    }
    totalLength_ -= static_cast<int64_t>(removed.size());
    chunks_.CompactPending();
    return removed;
}

std::u16string TextStore::Text(TextPos from, TextPos to) const
{
    from = Clamp(from);
    to = Clamp(to);
    if (to < from)
        std::swap(from, to);
    std::u16string out;
    for (int line = from.line; line <= to.line; ++line) {
        const auto text = LineText(line);
        const int begin = line == from.line ? from.column : 0;
        const int end = line == to.line ? to.column : static_cast<int>(text.size());
        out.append(text.substr(begin, end - begin));
        if (line < to.line)
            out += u"\r\n";
    }
    return out;
}

void TextStore::SetSplitter(const RowSplitter* splitter, const std::function<void(int)>& progress)
{
    splitter_ = splitter;
    RewrapAll(progress);
}

void TextStore::RewrapAll(const std::function<void(int)>& progress)
{
    pendingLine_ = -1;
    const bool report = progress && totalLength_ > 65535;
    int lastPercent = 0;
    int64_t done = 0;
    // Built as a new table: re-splitting in place would move the tail of
    // the table once per changed line.
    int capacity = rows_.Count() + RowTable::kGrowStep;
    int count = 0;
    auto* rebuilt = static_cast<RowEntry*>(std::malloc(sizeof(RowEntry) * static_cast<size_t>(capacity)));
    if (!rebuilt)
        throw std::bad_alloc();
    int line = 0;
    for (int row = 0; row < rows_.Count(); row += RowsOfLine(row), ++line) {
        const int oldRows = RowsOfLine(row);
        const RowEntry first = rows_[row];
        const bool lineBreak = rows_[row + oldRows - 1].flags & ROW_LINE_BREAK;
        const int length = first.lineLengthOrIndex;
        pieces_.clear();
        if (splitter_ && length > 0)
            splitter_->Split(first.text, length, pieces_);
        if (pieces_.empty())
            pieces_.push_back({0, length, 0});
        const int n = static_cast<int>(pieces_.size());
        for (int i = 0; i < n; ++i) {
            const RowEntry r = PieceRow(first, i, n, lineBreak, line);
            if (count == capacity) {
                capacity += capacity / 2;
                void* grown = std::realloc(rebuilt, sizeof(RowEntry) * static_cast<size_t>(capacity));
                if (!grown) {
                    std::free(rebuilt);
                    throw std::bad_alloc();
                }
                rebuilt = static_cast<RowEntry*>(grown);
            }
            rebuilt[count++] = r;
        }
        if (report) {
            done += length + 2;
            const int percent = static_cast<int>(std::min<int64_t>(100, done * 100 / totalLength_));
            if (percent > lastPercent) {
                lastPercent = percent;
                progress(percent);
            }
        }
    }
    rows_.Adopt(rebuilt, count, capacity);
    if (report && lastPercent < 100)
        progress(100);
}

bool TextStore::IsBookmarked(int line) const
{
    if (bookmarkCount_ == 0 || line < 0 || line >= lineCount_)
        return false;
    return rows_[FirstRowOfLine(line)].flags & ROW_BOOKMARK;
}

bool TextStore::SetBookmark(int line, bool on)
{
    if (line < 0 || line >= lineCount_)
        return false;
    RowEntry& r = rows_[FirstRowOfLine(line)];
    if (bool(r.flags & ROW_BOOKMARK) == on)
        return false;
    r.flags ^= ROW_BOOKMARK;
    bookmarkCount_ += on ? 1 : -1;
    return true;
}

void TextStore::ClearBookmarks()
{
    for (int r = 0; r < rows_.Count(); ++r)
        rows_[r].flags &= ~ROW_BOOKMARK;
    bookmarkCount_ = 0;
}

int TextStore::FindBookmark(int line, bool forward, int limit) const
{
    if (bookmarkCount_ == 0)
        return -1;
    if (forward) {
        for (int l = std::max(line + 1, 0); l <= std::min(limit, lineCount_ - 1); ++l)
            if (IsBookmarked(l))
                return l;
    } else {
        for (int l = std::min(line - 1, lineCount_ - 1); l >= std::max(limit, 0); --l)
            if (IsBookmarked(l))
                return l;
    }
    return -1;
}

void TextStore::Relocate(TextChunk* from, TextChunk* to)
{
    for (int r = 0; r < rows_.Count(); ++r) {
        RowEntry& first = rows_[r];
        if (first.IsContinuation() || first.block != from)
            continue;
        char16_t* run = TextChunkPool::AllocateIn(to, first.lineLengthOrIndex);
        CopyUnits(run, first.text, first.lineLengthOrIndex);
        first.text = run;
        first.block = to;
        for (int c = r + 1; c < rows_.Count() && rows_[c].IsContinuation(); ++c)
            rows_[c].text = rows_[c - 1].text + rows_[c - 1].length;
    }
}

} // namespace kdx

#pragma once
#include <compare>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "edit/RowTable.h"
#include "edit/TextChunk.h"

namespace kdx {

// The lines of a text: split at CR LF pairs only, a lone CR or LF stays
// inside its line; a text ending in CR LF ends with an empty line.
std::vector<std::u16string_view> SplitAtBreaks(std::u16string_view text);

// A position in logical coordinates.
struct TextPos {
    int line = 0;
    int column = 0;
    auto operator<=>(const TextPos&) const = default;
};

// One row of a split logical line.
struct RowPiece {
    int offset = 0;       // first unit of the row within the line
    int length = 0;
    int startColumn = 0;  // visual column at the row start
};

// Splits a logical line into rows; the word-wrap policy of the view.
class RowSplitter {
public:
    virtual ~RowSplitter() = default;
    virtual void Split(const char16_t* text, int length, std::vector<RowPiece>& pieces) const = 0;
};

// The text of the control: logical lines stored in text chunks and indexed
// by the row table. Knows nothing of undo, selection rules or the view.
class TextStore {
public:
    TextStore();
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    int LineCount() const { return lineCount_; }
    int RowCount() const { return rows_.Count(); }
    int64_t TotalLength() const { return totalLength_; }
    const RowEntry& Row(int row) const { return rows_[row]; }
    RowEntry& Row(int row) { return rows_[row]; }
    const RowTable& Rows() const { return rows_; }
    const TextChunkPool& Chunks() const { return chunks_; }

    bool Wrapped() const { return splitter_ != nullptr; }
    int FirstRowOf(int row) const;
    int FirstRowOfLine(int line) const;
    int RowsOfLine(int firstRow) const;
    int LineOfRow(int row) const;
    int RowOffset(int row) const;  // offset of the row's first unit in its line
    TextPos RowToLogical(int row, int column) const;
    // The row holding a logical position; at a wrap point, the later row.
    int RowOfPos(TextPos pos, int* columnInRow = nullptr) const;

    int LineLength(int line) const;
    std::u16string_view LineText(int line) const;
    TextPos Clamp(TextPos pos) const;
    TextPos End() const;
    // Logical position one unit (or one line break) before / after pos.
    TextPos Before(TextPos pos) const;
    TextPos After(TextPos pos) const;
    int64_t Distance(TextPos from, TextPos to) const;  // units, breaks count 2

    // Inserts text (CR LF pairs break lines); returns the end of the text.
    TextPos Insert(TextPos at, std::u16string_view text);
    // Removes [from, to) and returns the removed text with CR LF breaks.
    std::u16string Remove(TextPos from, TextPos to);
    std::u16string Text(TextPos from, TextPos to) const;
    std::u16string AllText() const { return Text({0, 0}, End()); }

    // Word wrap: null splitter means one row per logical line. Re-splits
    // the whole text, reporting progress as RewrapAll does.
    void SetSplitter(const RowSplitter* splitter, const std::function<void(int)>& progress = {});
    // Re-splits every line; progress (percent 1..100) is reported for long texts.
    void RewrapAll(const std::function<void(int)>& progress = {});
    // Re-splits one logical line, returning its number of rows.
    int RelayoutLine(int firstRow);

    // A re-wrap in steps: BeginRewrap takes the new splitter and leaves every
    // line with the rows it had, now counted as an estimate; RewrapLines
    // corrects the lines wanted at once (those on screen); RewrapSome
    // continues from the first line not yet done. Edits keep the rows they
    // touch correct meanwhile. SetSplitter and RewrapAll end a re-wrap.
    void BeginRewrap(const RowSplitter* splitter);
    void RewrapLines(int fromLine, int toLine);
    // Re-splits lines until done or until `more` says stop (asked every few
    // lines); returns true when the whole text is wrapped.
    bool RewrapSome(const std::function<bool()>& more);
    bool RewrapPending() const { return pendingLine_ >= 0; }
    // Lines before this one are wrapped; -1 when no re-wrap is running.
    int PendingLine() const { return pendingLine_; }

    bool IsBookmarked(int line) const;
    bool SetBookmark(int line, bool on);  // false when nothing changed
    int BookmarkCount() const { return bookmarkCount_; }
    void ClearBookmarks();
    // Next/previous bookmarked line strictly after/before `line`, or -1.
    int FindBookmark(int line, bool forward, int limit) const;

private:
    void Relocate(TextChunk* from, TextChunk* to);
    void Renumber(int fromRow);
    // Appends the rows of one logical line (its first row given) to out.
    void SplitLine(const RowEntry& first, bool lineBreak, std::vector<RowEntry>& out);
    // Row i of the n pieces the splitter made of the line that begins with 'first'.
    RowEntry PieceRow(const RowEntry& first, int i, int n, bool lineBreak, int lineNumber) const;
    void ReplaceRows(int at, int oldCount, const std::vector<RowEntry>& fresh);

    RowTable rows_;
    TextChunkPool chunks_;
    const RowSplitter* splitter_ = nullptr;
    std::vector<RowPiece> pieces_;
    std::vector<RowEntry> freshRows_;
    int pendingLine_ = -1;
    int lineCount_ = 1;
    int64_t totalLength_ = 0;
    int bookmarkCount_ = 0;
};

} // namespace kdx

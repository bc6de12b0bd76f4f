#pragma once
#include <cstdint>

namespace kdx {

struct TextChunk;

// Row flags.
constexpr uint32_t ROW_CONTINUATION = 0x10000;
constexpr uint32_t ROW_LINE_BREAK = 0x20000;
constexpr uint32_t ROW_BOOKMARK = 0x40000;

// One displayed row. Rows of one logical line point into one contiguous run.
struct RowEntry {
    uint32_t flags = ROW_LINE_BREAK;
    int32_t lineNumber = -1;        // logical line on a first row while wrapped
    int32_t startColumn = 0;        // visual column at which the row starts
    int32_t length = 0;             // units in this row
    int32_t lineLengthOrIndex = 0;  // first row: line length; continuation: rows back
    char16_t* text = nullptr;
    TextChunk* block = nullptr;     // first row only

    bool IsContinuation() const { return flags & ROW_CONTINUATION; }
};

// One array of rows that grows and shrinks in steps of 2048 so that a long
// text costs neither a reallocation per line nor idle memory. The spare
// entries form a gap that moves to where rows are inserted or removed, so
// edits that walk through the table (a background re-wrap, typing) move
// only the rows between one edit and the next.
class RowTable {
public:
    static constexpr int kGrowStep = 2048;
    static constexpr int kMaxSpare = 2560;

    RowTable();
    RowTable(const RowTable&) = delete;
    RowTable& operator=(const RowTable&) = delete;
    ~RowTable();

    int Count() const { return count_; }
    int Spare() const { return spare_; }
    RowEntry& operator[](int i) { return rows_[i < gapStart_ ? i : i + spare_]; }
    const RowEntry& operator[](int i) const { return rows_[i < gapStart_ ? i : i + spare_]; }

    // Inserts n fresh rows before index `at`.
    void Insert(int at, int n);
    // Removes n rows starting at `at` (their text is the caller's business).
    void Remove(int at, int n);
    // While a whole-text re-layout walks through the table row by row, the
    // spare room grows by half the table at a time and is not given back,
    // so that the walk does not reallocate the table every few thousand
    // lines; ending it trims the spare room to one growth step.
    void SetBulk(bool on);
    // Takes over a malloc'd array of n rows (a whole-text re-layout builds
    // the rows anew); the array is trimmed to n plus one growth step.
    void Adopt(RowEntry* rows, int n, int capacity);

private:
    void Reallocate(int capacity);
    void MoveGap(int at);

    RowEntry* rows_ = nullptr;
    int gapStart_ = 0;  // index of the first spare entry
    bool bulk_ = false;
    int count_ = 0;
    int spare_ = 0;
};

} // namespace kdx

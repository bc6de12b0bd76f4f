#include <gtest/gtest.h>

#include <string>

#include "edit/TextStore.h"

using namespace kdx;

namespace {

// Wraps every line after a fixed number of units, for layout tests
// without a font.
class FixedSplitter : public RowSplitter {
public:
    explicit FixedSplitter(int width) : width_(width) {}
    void Split(const char16_t*, int length, std::vector<RowPiece>& pieces) const override
    {
        for (int offset = 0; offset < length; offset += width_)
            pieces.push_back({offset, std::min(width_, length - offset), offset});
    }
private:
    int width_;
};

// Every row must agree with its logical line: lengths add up, continuation
// rows point into their line's run, only the last row lacks a line break.
void ExpectConsistent(const TextStore& store)
{
    int lines = 0;
    for (int r = 0; r < store.RowCount(); ++r) {
        const RowEntry& row = store.Row(r);
        if (!row.IsContinuation()) {
            const int rows = store.RowsOfLine(r);
            int sum = 0;
            for (int i = 0; i < rows; ++i)
                sum += store.Row(r + i).length;
            EXPECT_EQ(sum, row.lineLengthOrIndex) << "row " << r;
            EXPECT_EQ(store.FirstRowOfLine(lines), r);
            ++lines;
        } else {
            EXPECT_EQ(row.text, store.Row(r - 1).text + store.Row(r - 1).length);
        }
        const bool last = r == store.RowCount() - 1;
        const bool endsLine = last || !store.Row(r + 1).IsContinuation();
        EXPECT_EQ(bool(row.flags & ROW_LINE_BREAK), endsLine && !last) << "row " << r;
    }
    EXPECT_EQ(lines, store.LineCount());
}

} // namespace

TEST(TextStore, StartsWithOneEmptyLineWithoutBreak)
{
    TextStore store;
    EXPECT_EQ(store.LineCount(), 1);
    EXPECT_EQ(store.RowCount(), 1);
    EXPECT_EQ(store.LineLength(0), 0);
    EXPECT_EQ(store.LineLength(1), -1);
    EXPECT_EQ(store.Row(0).flags & ROW_LINE_BREAK, 0u);
    EXPECT_EQ(store.TotalLength(), 0);
}

TEST(TextStore, OnlyCrLfBreaksLines)
{
    TextStore store;
    EXPECT_EQ(store.Insert({0, 0}, u"a\r\nb"), (TextPos{1, 1}));
    EXPECT_EQ(store.LineCount(), 2);
    EXPECT_EQ(store.LineText(0), u"a");
    EXPECT_EQ(store.LineText(1), u"b");
    store.Insert({1, 1}, u"\nx\ry");
    EXPECT_EQ(store.LineCount(), 2);
    EXPECT_EQ(store.LineText(1), u"b\nx\ry");
    EXPECT_EQ(store.TotalLength(), 8);
    ExpectConsistent(store);
}

TEST(TextStore, InsertInsideLineSplitsHeadAndTail)
{
    TextStore store;
    store.Insert({0, 0}, u"HEADTAIL");
    store.SetBookmark(0, true);
    const TextPos end = store.Insert({0, 4}, u"1\r\n2\r\n3");
    EXPECT_EQ(end, (TextPos{2, 1}));
    EXPECT_EQ(store.AllText(), u"HEAD1\r\n2\r\n3TAIL");
    EXPECT_TRUE(store.IsBookmarked(0));
    EXPECT_FALSE(store.IsBookmarked(2));
    ExpectConsistent(store);
}

TEST(TextStore, RemoveJoinsLinesAndReturnsRemovedText)
{
    TextStore store;
    store.Insert({0, 0}, u"one\r\ntwo\r\nthree");
    store.SetBookmark(1, true);
    EXPECT_EQ(store.Remove({2, 2}, {0, 1}), u"ne\r\ntwo\r\nth");
    EXPECT_EQ(store.AllText(), u"oree");
    EXPECT_EQ(store.BookmarkCount(), 0);
    EXPECT_EQ(store.LineCount(), 1);
    EXPECT_EQ(store.TotalLength(), 4);
    ExpectConsistent(store);
}

TEST(TextStore, ClampsPositionsAndSteps)
{
    TextStore store;
    store.Insert({0, 0}, u"ab\r\ncd");
    EXPECT_EQ(store.Clamp({9, 9}), (TextPos{1, 2}));
    EXPECT_EQ(store.Clamp({-3, -3}), (TextPos{0, 0}));
    EXPECT_EQ(store.Before({1, 0}), (TextPos{0, 2}));
    EXPECT_EQ(store.After({0, 2}), (TextPos{1, 0}));
    EXPECT_EQ(store.Distance({0, 1}, {1, 1}), 4);
    EXPECT_EQ(store.Insert({7, 7}, u"!"), (TextPos{1, 3}));
}

TEST(TextStore, WrappedRowsConvertBothWays)
{
    FixedSplitter splitter(4);
    TextStore store;
    store.Insert({0, 0}, u"0123456789\r\nab\r\nxyzxyzxyz");
    store.SetSplitter(&splitter);
    EXPECT_EQ(store.RowCount(), 3 + 1 + 3);
    ExpectConsistent(store);
    EXPECT_EQ(store.RowToLogical(2, 1), (TextPos{0, 9}));
    EXPECT_EQ(store.LineOfRow(3), 1);
    int column = -1;
    EXPECT_EQ(store.RowOfPos({2, 5}, &column), 5);
    EXPECT_EQ(column, 1);
    // A position at a wrap point belongs to the later row.
    EXPECT_EQ(store.RowOfPos({0, 4}, &column), 1);
    EXPECT_EQ(column, 0);

    // Edits re-split and renumber the rows after them.
    store.Insert({0, 2}, u"--\r\n");
    ExpectConsistent(store);
    EXPECT_EQ(store.FirstRowOfLine(3), store.RowCount() - 3);
    store.Remove({0, 0}, {2, 1});
    ExpectConsistent(store);
    EXPECT_EQ(store.AllText(), u"b\r\nxyzxyzxyz");

    store.SetSplitter(nullptr);
    EXPECT_EQ(store.RowCount(), 2);
    ExpectConsistent(store);
}

TEST(TextStore, RewrapReportsProgressOnlyForLongTexts)
{
    FixedSplitter splitter(10);
    TextStore store;
    std::u16string text;
    for (int i = 0; i < 3000; ++i)
        text += u"line of some thirty units ...\r\n";
    store.Insert({0, 0}, text);
    std::vector<int> steps;
    store.SetSplitter(&splitter, [&](int p) { steps.push_back(p); });
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), 1);
    EXPECT_EQ(steps.back(), 100);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    ExpectConsistent(store);

    TextStore small;
    small.Insert({0, 0}, u"short");
    steps.clear();
    small.SetSplitter(&splitter, [&](int p) { steps.push_back(p); });
    EXPECT_TRUE(steps.empty());
}

TEST(TextStore, BookmarkSearch)
{
    TextStore store;
    store.Insert({0, 0}, u"0\r\n1\r\n2\r\n3\r\n4");
    EXPECT_EQ(store.FindBookmark(0, true, 4), -1);
    EXPECT_TRUE(store.SetBookmark(1, true));
    EXPECT_FALSE(store.SetBookmark(1, true));
    store.SetBookmark(3, true);
    EXPECT_EQ(store.BookmarkCount(), 2);
    EXPECT_EQ(store.FindBookmark(1, true, 4), 3);
    EXPECT_EQ(store.FindBookmark(3, true, 4), -1);
    EXPECT_EQ(store.FindBookmark(3, false, 0), 1);
    store.ClearBookmarks();
    EXPECT_FALSE(store.IsBookmarked(1));
    EXPECT_EQ(store.BookmarkCount(), 0);
}

TEST(RowTable, GrowsAndShrinksInSteps)
{
    RowTable table;
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(table.Spare(), RowTable::kGrowStep);
    table.Insert(1, 3000);
    EXPECT_EQ(table.Count(), 3001);
    EXPECT_EQ(table.Spare(), RowTable::kGrowStep);
    table.Remove(1, 2000);
    EXPECT_EQ(table.Spare(), RowTable::kGrowStep);  // 4048 spare is over 2560: shrunk
    table.Remove(1, 500);
    EXPECT_EQ(table.Spare(), RowTable::kGrowStep + 500);
}

TEST(TextChunkPool, GrowsLastRunInPlaceAndCompactsDeadBlocks)
{
    EXPECT_EQ(TextChunkPool::BlockUnitsFor(1), 65536);
    EXPECT_GE(TextChunkPool::BlockUnitsFor(70000), 70000 + TextChunkPool::kHeaderUnits);

    TextStore store;
    store.Insert({0, 0}, u"abc");
    const char16_t* before = store.Row(0).text;
    store.Insert({0, 3}, u"def");
    EXPECT_EQ(store.Row(0).text, before);  // the newest run grows where it is

    // Many lines, then most of them deleted: dead units trigger compaction
    // and the surviving lines keep their text.
    std::u16string text;
    for (int i = 0; i < 20000; ++i)
        text += u"line " + std::u16string(1, u'A' + i % 26) + u"\r\n";
    store.Insert(store.End(), u"\r\n" + text);
    const int blocksBefore = store.Chunks().BlockCount();
    for (int i = 0; i < 15000; ++i)
        store.Remove({1, 0}, {2, 0});
    EXPECT_LT(store.Chunks().BlockCount(), blocksBefore + 1);
    EXPECT_EQ(store.LineCount(), 20000 - 15000 + 2);
    EXPECT_EQ(store.LineText(1), u"line " + std::u16string(1, u'A' + 15000 % 26));
    EXPECT_EQ(store.LineText(0), u"abcdef");
    for (const TextChunk* b = store.Chunks().Head(); b; b = b->next)
        EXPECT_LT(b->freedUnits, std::max(1, b->compactThreshold));
    ExpectConsistent(store);
}

TEST(TextStore, LongInsertionIntoWrappedTextStaysConsistent)
{
    FixedSplitter splitter(5);
    TextStore store;
    store.SetSplitter(&splitter);
    store.Insert({0, 0}, u"first line of text\r\nlast line of text");
    store.SetBookmark(1, true);
    std::u16string text;
    for (int i = 0; i < 20000; ++i)
        text += u"wrapped piece " + std::u16string(1, u'a' + i % 26) + u"\r\n";
    store.Insert({0, 6}, text);
    EXPECT_EQ(store.LineCount(), 20002);
    EXPECT_EQ(store.LineText(0), u"first wrapped piece a");
    EXPECT_EQ(store.LineText(20000), u"line of text");
    EXPECT_TRUE(store.IsBookmarked(20001));
    ExpectConsistent(store);
    for (int line = 0; line < store.LineCount(); line += 997)
        EXPECT_EQ(store.Row(store.FirstRowOfLine(line)).lineNumber, line);
}

namespace {

// Rows must be the same entry for entry (text pointers aside).
void ExpectSameRows(const TextStore& a, const TextStore& b)
{
    ASSERT_EQ(a.RowCount(), b.RowCount());
    for (int r = 0; r < a.RowCount(); ++r) {
        EXPECT_EQ(a.Row(r).flags, b.Row(r).flags) << "row " << r;
        EXPECT_EQ(a.Row(r).length, b.Row(r).length) << "row " << r;
        EXPECT_EQ(a.Row(r).startColumn, b.Row(r).startColumn) << "row " << r;
        EXPECT_EQ(a.Row(r).lineNumber, b.Row(r).lineNumber) << "row " << r;
        EXPECT_EQ(a.Row(r).lineLengthOrIndex, b.Row(r).lineLengthOrIndex) << "row " << r;
    }
}

std::u16string NumberedLines(int count)
{
    std::u16string text;
    for (int i = 0; i < count; ++i) {
        const std::string line = std::to_string(i) + " some words to wrap at ten";
        text.append(line.begin(), line.end());
        if (i + 1 < count)
            text += u"\r\n";
    }
    return text;
}

} // namespace

TEST(RowTable, KeepsOrderWhileTheGapMoves)
{
    RowTable table;
    table[0].length = 0;
    // Insertions and removals all over the table, the gap chasing them.
    int next = 1;
    std::vector<int> model{0};
    const int positions[] = {1, 0, 1, 3, 2, 5, 0, 4, 6, 1};
    for (int round = 0; round < 400; ++round) {
        const int at = positions[round % 10] % (table.Count() + 1);
        const int n = 1 + round % 7;
        table.Insert(at, n);
        for (int i = 0; i < n; ++i) {
            table[at + i].length = next;
            model.insert(model.begin() + at + i, next++);
        }
        if (round % 3 == 2) {
            const int from = (at * 7) % table.Count();
            const int k = std::min(4, table.Count() - from - 1);
            table.Remove(from, k);
            model.erase(model.begin() + from, model.begin() + from + k);
        }
    }
    table.Remove(0, table.Count() - 10);  // a large removal shrinks the array
    model.erase(model.begin(), model.end() - 10);
    EXPECT_LE(table.Spare(), RowTable::kMaxSpare);
    ASSERT_EQ(table.Count(), static_cast<int>(model.size()));
    for (int i = 0; i < table.Count(); ++i)
        EXPECT_EQ(table[i].length, model[i]) << "row " << i;
}

TEST(TextStore, StepwiseRewrapEndsLikeAWholeRewrapDespiteEdits)
{
    FixedSplitter wide(20);
    FixedSplitter narrow(10);
    TextStore store;
    store.Insert({0, 0}, NumberedLines(400));
    store.SetSplitter(&wide);
    store.BeginRewrap(&narrow);
    EXPECT_TRUE(store.RewrapPending());
    // Lines wanted at once are right; others keep their old rows meanwhile.
    store.RewrapLines(300, 305);
    EXPECT_EQ(store.RowsOfLine(store.FirstRowOfLine(300)), 3);
    EXPECT_EQ(store.RowsOfLine(store.FirstRowOfLine(200)), 2);
    ExpectConsistent(store);

    int asks = 0;
    EXPECT_FALSE(store.RewrapSome([&] { return ++asks < 3; }));
    const int pending = store.PendingLine();
    ASSERT_GT(pending, 10);
    ASSERT_LT(pending, 300);
    // Edits before, across and after the first line not yet done.
    store.Insert({2, 3}, u"new\r\nlines\r\nhere");
    const int shifted = pending + 2;
    EXPECT_EQ(store.PendingLine(), shifted);
    // The joined line is re-split by the removal: the next one is pending.
    store.Remove({shifted - 1, 4}, {shifted + 4, 2});
    EXPECT_EQ(store.PendingLine(), shifted);
    store.Insert({350, 0}, u"x\r\n");
    store.Remove({380, 0}, {390, 0});
    ExpectConsistent(store);
    EXPECT_TRUE(store.RewrapSome([] { return true; }));
    EXPECT_FALSE(store.RewrapPending());
    ExpectConsistent(store);

    TextStore fresh;
    fresh.Insert({0, 0}, store.AllText());
    fresh.SetSplitter(&narrow);
    ExpectSameRows(store, fresh);
}

TEST(TextStore, StepwiseRewrapFromUnwrappedAndRestarted)
{
    FixedSplitter narrow(10);
    FixedSplitter wider(15);
    TextStore store;
    store.Insert({0, 0}, NumberedLines(300));
    // Unwrapped rows get their line numbers so lines can be found by row.
    store.BeginRewrap(&narrow);
    EXPECT_EQ(store.FirstRowOfLine(250), 250);
    store.RewrapLines(100, 102);
    EXPECT_EQ(store.FirstRowOfLine(102), 106);
    EXPECT_EQ(store.LineOfRow(104), 101);
    EXPECT_FALSE(store.RewrapSome([] { return false; }));
    // A second change starts over from the first line.
    store.BeginRewrap(&wider);
    EXPECT_EQ(store.PendingLine(), 0);
    EXPECT_TRUE(store.RewrapSome([] { return true; }));
    TextStore fresh;
    fresh.Insert({0, 0}, store.AllText());
    fresh.SetSplitter(&wider);
    ExpectSameRows(store, fresh);
    // Leaving wrap ends a re-wrap in progress.
    store.BeginRewrap(&narrow);
    store.SetSplitter(nullptr);
    EXPECT_FALSE(store.RewrapPending());
    EXPECT_EQ(store.RowCount(), 300);
}

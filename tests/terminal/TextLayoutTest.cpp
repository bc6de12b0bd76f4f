#include "terminal/TextLayout.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(TextLayout, TabsExpandToTheNextStop)
{
    EXPECT_EQ(ExpandTabs(std::u16string(u"a\tb\0", 4), 4), u"a   b");
    EXPECT_EQ(ExpandTabs(u"\t\t", 0x7FFFFFFF), std::nullopt); // would not fit any terminal
    EXPECT_EQ(ExpandTabs(u"abcd\tb", 4), u"abcd    b");
    EXPECT_EQ(ExpandTabs(u"ab\r\n\tc", 4), u"ab\r\n    c");   // CR LF restarts the column
    EXPECT_EQ(ExpandTabs(u"ab\n\tc", 4), u"ab\n  c");         // a lone LF does not
    EXPECT_EQ(ExpandTabs(u"中\tc", 4), u"中   c");            // wide characters count one
    EXPECT_EQ(ExpandTabs(std::u16string(u"ab\0", 3), 4), std::u16string(u"ab\0", 3)); // no tab: untouched
    EXPECT_EQ(ExpandTabs(u"\tx", 0), u" x");                   // tab size 0 taken as 1
}

TEST(TextLayout, LinesAreCutToTheObjectsHeight)
{
    const std::u16string three = u"one\ntwo\nthree";
    EXPECT_EQ(FitLines(three, 18, 40), u"one\ntwo\n");
    EXPECT_EQ(FitLines(three, 18, 35), u"one\n");
    EXPECT_EQ(FitLines(three, 18, 17), u"");
    EXPECT_EQ(FitLines(three, 18, 54), three);
    EXPECT_EQ(FitLines(u"one\ntwo\n", 18, 36), u"one\ntwo\n"); // text ends after the LF
    EXPECT_EQ(FitLines(u"one\ntwo\n", 18, 20), u"one\n");
    const std::u16string zero(1, u'\0');
    EXPECT_EQ(FitLines(zero, 16, 16), zero);
}

TEST(TextLayout, PrepareJoinsLineEndsKeepsCountedZeroAndChecksFont)
{
    auto prepared = [](const std::u16string& text, uint32_t tab, uint32_t font, uint32_t spacing, int64_t height) {
        return PrepareText(text, tab, font, spacing, height).text;
    };
    EXPECT_EQ(prepared(std::u16string(u"A\r\nB\0", 5), 8, 1, 0, 32), std::u16string(u"A\nB\0", 4));
    EXPECT_EQ(prepared(std::u16string(u"A\tB\0", 4), 8, 3, 0, 32), u"A       B");
    EXPECT_EQ(prepared(u"x", 8, 2, 0, 23), u"");
    EXPECT_EQ(prepared(u"a\nb\nc", 8, 1, 2, 40), u"a\nb\n");
    EXPECT_EQ(PrepareText(u"x", 8, 0, 0, 100).error, TextLayoutError::UnknownFont);
    EXPECT_EQ(PrepareText(u"\tx", 0xFFFFFFFF, 1, 0, 100).error, TextLayoutError::TooLong);
}

} // namespace
} // namespace kdx

#include "common/Cp936.h"

#include <gtest/gtest.h>

using namespace kdx;

TEST(Cp936, EncodesChinesePunctuationAndEuro)
{
    EXPECT_EQ(EncodeCp936(u"中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(EncodeCp936(u"，。"), "\xA3\xAC\xA1\xA3");
    EXPECT_EQ(EncodeCp936(u"€"), "\x80");
    EXPECT_EQ(EncodeCp936(u"abc\r\n"), "abc\r\n");
}

TEST(Cp936, UnmappedCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(EncodeCp936(u"a\u0E01b"), "a?b");        // Thai letter
    EXPECT_EQ(EncodeCp936(u"x\U0001F600y"), "x?y");    // one '?' for a surrogate pair
    EXPECT_EQ(EncodeCp936(std::u16string(1, char16_t(0xD800))), "?"); // lone surrogate
}

TEST(Cp936, DecodesAndReplacesBadBytes)
{
    EXPECT_EQ(DecodeCp936("\xD6\xD0" "a"), u"中a");
    EXPECT_EQ(DecodeCp936("\xFF"), u"\uFFFD");
}

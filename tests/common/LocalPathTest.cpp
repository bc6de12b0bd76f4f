// File names travel as UTF-16 without losing a byte.
#include "common/LocalPath.h"

#include <gtest/gtest.h>

using namespace kdx;

TEST(LocalPath, EveryByteSequenceComesBackAndUtf8IsDecoded)
{
    EXPECT_EQ(LocalPathToUtf16("/tmp/\xE5\xB7\xA5\xE7\xA8\x8B.kdp"), u"/tmp/工程.kdp");
    EXPECT_EQ(LocalPathToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(LocalPathToUtf16("a\xFF"), std::u16string(u"a") + char16_t(0xDCFF));
    // Overlong forms, encoded surrogates, cut sequences: each byte on its own.
    for (const std::string bytes : {"\xC0\xAF", "\xED\xA0\x80", "\xE5\xB7", "\xF4\x90\x80\x80", "\x80x"}) {
        const std::u16string text = LocalPathToUtf16(bytes);
        EXPECT_EQ(text.size(), bytes.size()) << bytes;
        EXPECT_EQ(Utf16ToLocalPath(text), bytes);
    }
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(char(b));
    EXPECT_EQ(Utf16ToLocalPath(LocalPathToUtf16(all)), all);
    EXPECT_EQ(Utf16ToLocalPath(u"/tmp/工程.kdp"), "/tmp/\xE5\xB7\xA5\xE7\xA8\x8B.kdp");
}

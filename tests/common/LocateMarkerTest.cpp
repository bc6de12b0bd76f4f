#include "common/LocateMarker.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(LocateMarker, MessagesCarryTheirMarkerAndEnd)
{
    EXPECT_EQ(LocateMessage(LocateLevel::Warning, LocateTarget::Object, 0x1A, u"对象不可见"),
              u"!(IID=1A)对象不可见(双击定位)\r\n");
    EXPECT_EQ(LocateMessage(LocateLevel::Error, LocateTarget::Page, 0, u""), u"*(PID=0)(双击定位)\r\n");
    EXPECT_EQ(LocateTag(LocateTarget::Page, 0xFFFFFFFF), u"(PID=FFFFFFFF)");
}

TEST(LocateMarker, EveryMessageReadsBackAsWhatItNames)
{
    for (LocateLevel level : {LocateLevel::Warning, LocateLevel::Error})
        for (LocateTarget target : {LocateTarget::Object, LocateTarget::Page})
            for (uint32_t id : {0u, 9u, 0xABCDu, 0xFFFFFFFFu}) {
                const auto ref = ParseLocateLine(LocateMessage(level, target, id, u"x"));
                ASSERT_TRUE(ref);
                EXPECT_EQ(ref->target, target);
                EXPECT_EQ(ref->id, id);
            }
}

TEST(LocateMarker, LinesWithoutAUsableMarkerNameNothing)
{
    EXPECT_FALSE(ParseLocateLine(u">正在编译(IID=1)"));
    EXPECT_FALSE(ParseLocateLine(u"!(IID=)对象"));   // no digits
    EXPECT_FALSE(ParseLocateLine(u"!(IID=1"));       // shorter than a marker with a digit and ')'
    EXPECT_FALSE(ParseLocateLine(u"#(PID=12)页面"));
    EXPECT_FALSE(ParseLocateLine(u""));
}

TEST(LocateMarker, ParsingIsLenientWhereUsersEditedTheLine)
{
    const auto lower = ParseLocateLine(u"*(pid=ff)页面");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->target, LocateTarget::Page);
    EXPECT_EQ(lower->id, 0xFFu);
    // Only the head of a line counts: nine digits fit and saturate at 32 bits.
    const auto big = ParseLocateLine(u"!(IID=123456789ABC)");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->id, 0xFFFFFFFFu);
}

} // namespace
} // namespace kdx

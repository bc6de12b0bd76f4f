#include "compile/CompileReporter.h"

#include <gtest/gtest.h>
#include <vector>

using namespace kdx;

TEST(FormatText, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(FormatText(u"*(PID=%X)“%s”是个空页面\r\n", {int64_t(0x1A), std::u16string_view(u"页 1")}),
              u"*(PID=1A)“页 1”是个空页面\r\n");
    EXPECT_EQ(FormatText(u"%d|%d|%u|%X|%%", {int64_t(-5), int64_t(0), int64_t(7), int64_t(0)}),
              u"-5|0|7|0|%");
    EXPECT_EQ(FormatText(u"%X", {int64_t(0xFFFFFFFF)}), u"FFFFFFFF");
    EXPECT_EQ(FormatText(u"%X", {int64_t(-1)}), u"FFFFFFFF");
    // Missing arguments leave the placeholder; a trailing '%' stays.
    EXPECT_EQ(FormatText(u"a%sb%", {}), u"a%sb%");
}

namespace {
class Recorder : public CompileReporter {
public:
    void EmitMessage(std::u16string_view text) override { messages.emplace_back(text); }
    void CheckCancel() override {}
    std::vector<std::u16string> messages;
};
} // namespace

TEST(FormatText, EmitFormattedCutsAt1039AndFailAborts)
{
    Recorder r;
    std::u16string longName(2000, u'名');
    r.EmitFormatted(u"!%s\r\n", {std::u16string_view(longName)});
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].size(), 1039u);
    EXPECT_THROW(r.Fail(u"*x\r\n"), CompileAbort);
    EXPECT_EQ(r.messages.back(), u"*x\r\n");
}

// The editor's side of the channel: the block's layout, and sessions that
// start a real KDX_TC process and monitor it.
#include "channel/CompileChannel.h"
#include "common/CMappedMemory.h"
#include "compile/CompilerDriver.h"
#include "tests/channel/SessionRecorder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

using namespace kdx;
using kdx::test::RecordingSink;

namespace {

const std::string kCompiler = std::string(KDX_BIN_DIR) + "/KDX_TC";

std::vector<std::u16string> CompileAndCollect(std::u16string_view project, std::u16string_view output,
                                              const std::string& compiler = kCompiler)
{
    return test::CompileAndCollect(project, output, compiler);
}

} // namespace

TEST(CompileChannel, LayoutAndCuts)
{
    std::vector<uint8_t> block(CompileChannel::kSize, 0xEE);
    CompileChannel channel(block.data());
    std::u16string longPath(300, u'p');
    channel.Initialise(longPath, u"/out/x.kdpbin");
    EXPECT_EQ(channel.ProjectPath().size(), 259u);
    EXPECT_EQ(channel.OutputPath(), u"/out/x.kdpbin");
    EXPECT_EQ(block[2056], 'p');
    EXPECT_EQ(block[2576], '/');
    EXPECT_FALSE(channel.MessagePending());
    EXPECT_FALSE(channel.CancelRequested());
    channel.SetMessageText(std::u16string(1030, u'm'));
    EXPECT_EQ(channel.MessageText().size(), 1023u);
    EXPECT_EQ(block[8 + 2 * 1023], 0);
    channel.SetMessagePending(true);
    EXPECT_EQ(block[0], 1);
    channel.RequestCancel();
    EXPECT_EQ(block[4], 1);
    EXPECT_EQ(CompileChannel::MakeName(0x1F, 0xAB, 0x10), "KDX_COMPILE_1F_AB_10");
}

TEST(CompileChannel, ChannelsOfDeadProcessesAreRemoved)
{
    // A process that has ended: its pid is free (and not reused this soon).
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = CompileChannel::MakeName(uint32_t(child), 7, 1);
    const std::string alive = CompileChannel::MakeName(uint32_t(getpid()), 7, 1);
    auto stale = CMappedMemory::CreateShared(dead, CompileChannel::kSize);
    auto live = CMappedMemory::CreateShared(alive, CompileChannel::kSize);
    ASSERT_TRUE(stale && live);
    stale.release(); // left behind as by a compile ended with SIGKILL

    CompileChannel::RemoveStaleChannels();
    EXPECT_FALSE(CMappedMemory::OpenShared(dead, CompileChannel::kSize));
    EXPECT_TRUE(CMappedMemory::OpenShared(alive, CompileChannel::kSize));
}

TEST(CompileSession, StartFailuresAreReportedAndLeaveItIdle)
{
    auto noPath = CompileAndCollect(u"", u"/tmp/x.kdpbin");
    ASSERT_EQ(noPath.size(), 1u);
    EXPECT_EQ(noPath[0], u"*初始化失败\r\n");

    // Paths the channel cannot hold are refused, not cut.
    const std::u16string tooLong = u"/tmp/" + std::u16string(251, u'p') + u".kdp";
    ASSERT_EQ(tooLong.size(), 260u);
    auto longPath = CompileAndCollect(tooLong, u"/tmp/x.kdpbin", kCompiler);
    ASSERT_EQ(longPath.size(), 1u);
    EXPECT_EQ(longPath[0], u"*路径过长，最多259个字符：“" + tooLong + u"”\r\n");

    auto noCompiler = CompileAndCollect(u"/tmp/p.kdp", u"/tmp/x.kdpbin", "/nonexistent/KDX_TC");
    ASSERT_EQ(noCompiler.size(), 1u);
    EXPECT_EQ(noCompiler[0], u"*未能加载外部组件，请确保“KDX_TC”在当前目录\r\n");

    // The same session can start again after a failure.
    RecordingSink sink;
    CompileSession session(sink, 2);
    session.Start(u"", u"");
    EXPECT_FALSE(session.MonitorRunning());
    session.Start(u"/nonexistent/p.kdp", u"/tmp/x.kdpbin", kCompiler);
    session.Join();
    auto messages = sink.Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages.back(), u">已经结束操作\r\n");
}

TEST(CompileSession, CancelEndsWithTheCancelLine)
{
    // A sink that is slow to take the banner gives time to cancel.
    class SlowSink : public RecordingSink {
    public:
        CompileSession* session = nullptr;
        void Deliver(std::u16string_view text) override
        {
            RecordingSink::Deliver(text);
            if (session && text == CompilerBanner())
                session->RequestCancel();
        }
    } sink;
    CompileSession session(sink, 3);
    sink.session = &session;
    session.Start(u"/nonexistent/p.kdp", u"/tmp/x.kdpbin", kCompiler);
    session.Join();
    auto messages = sink.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], CompilerBanner());
    EXPECT_EQ(messages[1], u">用户取消操作！！！\r\n");
}

TEST(CompileSession, UnexpectedFailureTextIsDecodedAndCut)
{
    // A failure while the monitor hands on a message ends the monitor with
    // the failure's own description, read as UTF-8 and cut to 2048 units.
    class FailingSink : public RecordingSink {
    public:
        void Deliver(std::u16string_view text) override
        {
            if (text == CompilerBanner()) {
                std::string what = "监视失败：";
                for (int i = 0; i < 3000; ++i)
                    what += "错";
                throw std::runtime_error(what);
            }
            RecordingSink::Deliver(text);
        }
    } sink;
    CompileSession session(sink, 4);
    session.Start(u"/nonexistent/p.kdp", u"/tmp/x.kdpbin", kCompiler);
    session.Join();
    auto messages = sink.Messages();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].size(), size_t(CompileSession::kMaxFailureUnits));
    EXPECT_EQ(messages[0].substr(0, 6), u"监视失败：错");
    EXPECT_EQ(messages[0].back(), u'错');
    EXPECT_FALSE(session.MonitorRunning());
}

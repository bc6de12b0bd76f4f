// The compiler and the editor side talking through a real shared block and
// a real KDX_TC process.
#include "common/CMappedMemory.h"
#include "channel/CompileChannel.h"
#include "tests/channel/SessionRecorder.h"
#include "compile/CompilerDriver.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace kdx;
using namespace std::chrono_literals;

namespace {

const std::string kCompiler = std::string(KDX_BIN_DIR) + "/KDX_TC";

std::string UniqueName()
{
    static int counter = 0;
    return CompileChannel::MakeName(uint32_t(getpid()), uint64_t(++counter), TickCountMs());
}

// Runs a program to its end and returns its exit status and standard output.
std::pair<int, std::string> RunProgram(std::vector<std::string> args)
{
    std::string outPath = testing::TempDir() + "kdx_tc_out_" + std::to_string(getpid());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(outPath);
    std::string out((std::istreambuf_iterator<char>(in)), {});
    std::remove(outPath.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1000, out};
}

pid_t Spawn(const std::string& program, const std::string& arg)
{
    std::string p = program, a = arg;
    char* argv[] = {p.data(), a.data(), nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, p.c_str(), nullptr, nullptr, argv, environ);
    return pid;
}

// Waits for a child to end; returns its exit code, or -1000 on timeout.
int WaitExit(pid_t pid, std::chrono::milliseconds limit)
{
    auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -999;
        std::this_thread::sleep_for(5ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1000;
}

std::vector<std::u16string> CompileAndCollect(std::u16string_view project, std::u16string_view output)
{
    return test::CompileAndCollect(project, output, kCompiler);
}

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

} // namespace

TEST(ChannelReporter, WaitsForTheEditorCutsAndObeysCancel)
{
    std::string name = UniqueName();
    auto block = CMappedMemory::CreateShared(name, CompileChannel::kSize);
    ASSERT_TRUE(block);
    CompileChannel editor(block->Data());
    ChannelReporter reporter;
    ASSERT_TRUE(reporter.Open(name));

    reporter.EmitMessage(std::u16string(1030, u'x'));
    ASSERT_TRUE(editor.MessagePending());
    EXPECT_EQ(editor.MessageText(), std::u16string(1023, u'x'));

    // The next message waits until the editor has taken the first.
    std::thread taker([&] {
        std::this_thread::sleep_for(50ms);
        editor.SetMessagePending(false);
    });
    reporter.EmitMessage(u"second");
    taker.join();
    EXPECT_EQ(editor.MessageText(), u"second");

    // A cancel while waiting ends the wait at once.
    std::thread canceller([&] {
        std::this_thread::sleep_for(50ms);
        editor.RequestCancel();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(reporter.EmitMessage(u"third"), CompileAbort);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_THROW(reporter.CheckCancel(), CompileAbort);
}

TEST(KdxTc, WrongArgumentCountsPrintTheBanner)
{
    std::string banner = "KDX触屏工程编译1.0 Beta";
    auto [code0, out0] = RunProgram({kCompiler});
    EXPECT_EQ(code0, 255);
    EXPECT_NE(out0.find(banner), std::string::npos);
    auto [code2, out2] = RunProgram({kCompiler, "a", "b"});
    EXPECT_EQ(code2, 255);
    EXPECT_NE(out2.find(banner), std::string::npos);
}

TEST(KdxTc, MissingChannelIsReportedOnTheConsole)
{
    auto [code, out] = RunProgram({kCompiler, "KDX_COMPILE_0_0_0"});
    EXPECT_EQ(code, 255);
    EXPECT_EQ(out, "*参数不正确\r\n\n");
}

TEST(KdxTc, PathChecksInOrder)
{
    std::string dir = testing::TempDir();
    auto missing = CompileAndCollect(U16(dir + "no_such_project.kdp"), U16(dir + "out.kdpbin"));
    ASSERT_EQ(missing.size(), 3u);
    EXPECT_EQ(missing[0], CompilerBanner());
    EXPECT_EQ(missing[1], u"*工程文件不存在\r\n");
    EXPECT_EQ(missing[2], u">已经结束操作\r\n");

    std::string project = dir + "exists.kdp";
    std::ofstream(project) << "not a project";
    auto badFolder = CompileAndCollect(U16(project), U16(dir + "no_such_folder/out.kdpbin"));
    ASSERT_EQ(badFolder.size(), 3u);
    EXPECT_EQ(badFolder[1], u"*输出文件目录不正确\r\n");

    // A folder or a FIFO given as the project is there, but no project file.
    auto folder = CompileAndCollect(U16(dir), U16(dir + "out.kdpbin"));
    ASSERT_GE(folder.size(), 2u);
    EXPECT_EQ(folder[1], u"*工程文件不是普通文件\r\n");
    const std::string fifo = dir + "fifo.kdp";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto pipe = CompileAndCollect(U16(fifo), U16(dir + "out.kdpbin"));
    ASSERT_GE(pipe.size(), 2u);
    EXPECT_EQ(pipe[1], u"*工程文件不是普通文件\r\n");
    std::remove(fifo.c_str());

    // A file that is not a project gets past the path checks to loading.
    auto notProject = CompileAndCollect(U16(project), U16(dir + "out.kdpbin"));
    ASSERT_EQ(notProject.size(), 4u);
    EXPECT_EQ(notProject[1], u"\r\n>正在加载工程文件“" + U16(project) + u"”...\r\n");
    EXPECT_EQ(notProject[2], u"*不是KDX触摸工程文件\r\n");
    std::remove(project.c_str());
}

namespace {

// A compiler started on a block whose editor side never takes a message:
// the banner arrives and the compiler then waits.
struct StalledCompiler {
    std::unique_ptr<CMappedMemory> block;
    std::unique_ptr<CompileChannel> editor;
    pid_t pid = -1;

    bool Start()
    {
        std::string name = UniqueName();
        block = CMappedMemory::CreateShared(name, CompileChannel::kSize);
        if (!block)
            return false;
        editor = std::make_unique<CompileChannel>(block->Data());
        editor->Initialise(u"/nonexistent/p.kdp", u"/tmp/o.kdpbin");
        pid = Spawn(kCompiler, name);
        auto until = std::chrono::steady_clock::now() + 10s;
        while (pid > 0 && !editor->MessagePending() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        return pid > 0 && editor->MessagePending();
    }
};

} // namespace

TEST(KdxTc, CancelWhileWaitingEndsAtOnce)
{
    StalledCompiler compiler;
    ASSERT_TRUE(compiler.Start());
    std::this_thread::sleep_for(100ms);
    auto start = std::chrono::steady_clock::now();
    compiler.editor->RequestCancel();
    EXPECT_EQ(WaitExit(compiler.pid, 5s), 255);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(KdxTc, GivesUpTenSecondsAfterAnUntakenMessage)
{
    StalledCompiler compiler;
    ASSERT_TRUE(compiler.Start());
    auto firstMessage = std::chrono::steady_clock::now();
    int code = WaitExit(compiler.pid, 30s);
    auto waited = std::chrono::steady_clock::now() - firstMessage;
    EXPECT_EQ(code, 255);
    EXPECT_GE(waited, 10s);
    EXPECT_LT(waited, 25s);
    // The second message was never written.
    EXPECT_EQ(compiler.editor->MessageText(), CompilerBanner());
}

// Whole uploads through the worker, the protocol and the Qt serial port,
// against the virtual terminal on a real pseudo-terminal.
#include "tests/upload/UploadTestSupport.h"
#include "upload/Protocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace kdx::upload {
namespace {

using vterm::TerminalOptions;
using vterm::VirtualTerminal;

QString U(const char* text) { return QString::fromUtf8(text); }

class UploadRun : public ::testing::Test {
protected:
    // Starts a terminal and uploads a file holding 'image' to it.
    test::RunResult Upload(const TerminalOptions& options, const std::vector<uint8_t>& image, int baud = 115200,
                           std::atomic<bool>* cancel = nullptr)
    {
        StartTerminal(options);
        test::WriteSealedFile(file, image);
        return test::RunUpload(terminal->DevicePath(), file, baud, cancel);
    }

    void StartTerminal(const TerminalOptions& options)
    {
        terminal = std::make_unique<VirtualTerminal>(options);
        std::string error;
        ASSERT_TRUE(terminal->Start(&error)) << error;
    }

    int CountCommands(uint8_t command) const
    {
        int n = 0;
        for (const vterm::ReceivedCommand& c : terminal->Commands())
            n += c.command == command;
        return n;
    }

    test::TempDir dir;
    std::string file = dir.File("image.kdpbin");
    std::unique_ptr<VirtualTerminal> terminal;
};

TEST_F(UploadRun, TerminalAtTheChosenRateIsFoundAtOnceAndGetsTheImage)
{
    const std::vector<uint8_t> image = test::PatternBytes(10000);
    test::RunResult run = Upload({}, image);
    ASSERT_TRUE(run.done) << run.lines.join("").toStdString();
    ASSERT_GE(run.lines.size(), 6);
    EXPECT_EQ(run.lines.mid(0, 5), (QStringList{U(">正在打开端口...\r\n"), U(">正在以“115200”波特连接...\r\n"),
                                                U(">已连接\r\n"), U(">正在加载文件...\r\n"),
                                                run.lines[4]}));
    EXPECT_TRUE(run.lines[4].startsWith(U(">文件校验完毕（软件版本：1.0；硬件标识：A5；屏幕分辨率：800 x 480")));
    EXPECT_EQ(run.lines[5], U(">正在发送数据(10000字节)...\r\n"));
    EXPECT_EQ(run.lines.back(), U(">发送完毕\r\n"));
    EXPECT_EQ(CountCommands(kCmdDetect), 1);
    EXPECT_EQ(CountCommands(kCmdSetBaud), 0);
    EXPECT_EQ(terminal->AnnouncedWidth(), 800);
    EXPECT_EQ(terminal->AnnouncedHeight(), 480);
    EXPECT_EQ(terminal->AnnouncedSize(), 10000u);
    EXPECT_EQ(terminal->Image(), image); // the file minus its 208-byte header
    EXPECT_EQ(run.progress, (std::vector<int>{40, 81, 100}));
}

TEST_F(UploadRun, SlowTerminalIsSearchedInTableOrderAndSwitched)
{
    TerminalOptions options;
    options.baud = 9600;
    test::RunResult run = Upload(options, test::PatternBytes(5000));
    ASSERT_TRUE(run.done) << run.lines.join("").toStdString();
    QStringList connecting;
    for (const QString& line : run.lines)
        if (line.startsWith(U(">正在以")))
            connecting << line.section(U("“"), 1).section(U("”"), 0, 0);
    EXPECT_EQ(connecting, (QStringList{"115200", "921600", "460800", "230400", "57600", "56000", "38400", "19200",
                                       "14400", "9600"}));
    EXPECT_TRUE(run.lines.contains(U(">终端波特率已设置为“115200”\r\n")));
    const std::vector<vterm::ReceivedCommand> commands = terminal->Commands();
    ASSERT_EQ(CountCommands(kCmdSetBaud), 1);
    auto setBaud = std::find_if(commands.begin(), commands.end(), [](auto& c) { return c.command == kCmdSetBaud; });
    EXPECT_EQ(setBaud->payload.back(), 0xFF);
    EXPECT_EQ(setBaud->terminalBaud, 9600);
    EXPECT_EQ(terminal->CurrentBaud(), 115200);
    EXPECT_GT(terminal->DiscardedBytes(), 0u); // the detects at other rates were garbled
    EXPECT_EQ(terminal->Image().size(), 5000u);
}

TEST_F(UploadRun, NoTerminalOrABadDetectReplyMeansNotFound)
{
    for (int replyLength : {-1, 3, 2048}) {
        TerminalOptions options;
        options.silent = replyLength < 0;
        if (replyLength > 0)
            options.detectReplyLength = uint16_t(replyLength);
        test::RunResult run = Upload(options, test::PatternBytes(100));
        EXPECT_FALSE(run.done);
        EXPECT_EQ(run.lines.back(), U("*未能检测到终端，请确保终端已正确连接\r\n")) << replyLength;
        EXPECT_EQ(run.lines.filter(U(">正在以")).size(), 13);
    }
}

TEST_F(UploadRun, BlocksAreAtMost4096BytesAndProgressFollowsPercentages)
{
    test::RunResult run = Upload({}, test::PatternBytes(4097));
    ASSERT_TRUE(run.done);
    EXPECT_EQ(terminal->BlocksReceived(), 2);
    EXPECT_EQ(run.lines.filter(U(">已发送")).size(), 2);
    EXPECT_TRUE(run.lines.filter(U(">已发送")).first().startsWith(U(">已发送4096(99%)")));

    test::RunResult small = Upload({}, test::PatternBytes(100));
    ASSERT_TRUE(small.done);
    const QStringList progress = small.lines.filter(U(">已发送"));
    ASSERT_EQ(progress.size(), 1);
    EXPECT_TRUE(progress[0].startsWith(U(">已发送100(100%)，")));
    EXPECT_TRUE(progress[0].endsWith(U("，剩余0.0秒\r\n")));
}

TEST_F(UploadRun, CrcErrorsAreRetriedThreeTimesPerBlock)
{
    TerminalOptions options;
    options.crcErrors = {{0, 3}, {1, 3}};
    const std::vector<uint8_t> image = test::PatternBytes(4096 * 2 + 7);
    test::RunResult run = Upload(options, image);
    ASSERT_TRUE(run.done) << run.lines.join("").toStdString();
    const QStringList retries = run.lines.filter("CRC");
    EXPECT_EQ(retries, (QStringList{U("*CRC错误，重试1次\r\n"), U("*CRC错误，重试2次\r\n"), U("*CRC错误，重试3次\r\n"),
                                    U("*CRC错误，重试1次\r\n"), U("*CRC错误，重试2次\r\n"),
                                    U("*CRC错误，重试3次\r\n")}));
    EXPECT_EQ(terminal->BlocksReceived(), 4 + 4 + 1);
    EXPECT_EQ(terminal->Image(), image);
}

TEST_F(UploadRun, FourthCrcErrorEndsTheUpload)
{
    TerminalOptions options;
    options.crcErrors = {{1, 4}};
    test::RunResult run = Upload(options, test::PatternBytes(3 * 4096));
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.lines.back(), U("*CRC错误，重试3次\r\n"));
    EXPECT_EQ(terminal->BlocksReceived(), 1 + 4);
}

TEST_F(UploadRun, TerminalRefusalsAndUnknownReplies)
{
    const std::pair<std::optional<uint8_t>, const char*> downloadCases[] = {
        {0xF9, "*不匹配的终端型号\r\n"}, {0xFB, "*终端空间不足\r\n"}, {0xFC, "*无法识别的终端响应代码\r\n"},
        {0x42, "*无法识别的终端响应代码\r\n"}};
    for (const auto& [reply, message] : downloadCases) {
        TerminalOptions options;
        options.downloadReply = reply;
        test::RunResult run = Upload(options, test::PatternBytes(100));
        EXPECT_FALSE(run.done);
        EXPECT_EQ(run.lines.back(), U(message));
        EXPECT_EQ(terminal->BlocksReceived(), 0);
    }
    TerminalOptions options;
    options.blockReply = 0xF9; // only 0xFA and 0xFC mean something after a block
    test::RunResult run = Upload(options, test::PatternBytes(100));
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.lines.back(), U("*无法识别的终端响应代码\r\n"));
}

TEST_F(UploadRun, FileIsCheckedOnlyAfterTheConnection)
{
    StartTerminal({});
    test::WriteSealedFile(file, test::PatternBytes(100), FileHeader::kProjectKind);
    test::RunResult run = test::RunUpload(terminal->DevicePath(), file, 115200);
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.lines, (QStringList{U(">正在打开端口...\r\n"), U(">正在以“115200”波特连接...\r\n"),
                                      U(">已连接\r\n"), U(">正在加载文件...\r\n"), U("*不是KDX触屏工程编译文件\r\n")}));

    std::vector<uint8_t> sealed = test::PatternBytes(100);
    test::WriteSealedFile(file, sealed);
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    std::fseek(f, 250, SEEK_SET);
    std::fputc(0x5A ^ sealed[42], f);
    std::fclose(f);
    run = test::RunUpload(terminal->DevicePath(), file, 115200);
    EXPECT_EQ(run.lines.back(), U("*文件已经损坏\r\n"));

    run = test::RunUpload(terminal->DevicePath(), dir.File("missing.kdpbin"), 115200);
    EXPECT_FALSE(run.done);
    EXPECT_TRUE(run.lines.back().startsWith("*")); // the system's reason
    EXPECT_TRUE(run.lines.back().endsWith("\r\n"));
    EXPECT_EQ(CountCommands(kCmdBeginDownload), 0);
}

TEST_F(UploadRun, CancelDuringAReplyWaitEndsPromptly)
{
    TerminalOptions options;
    options.silentFromBlock = 1;
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        while (terminal == nullptr || terminal->BlocksReceived() < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    test::RunResult run = Upload(options, test::PatternBytes(3 * 4096), 115200, &cancel);
    canceller.join();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.lines.back(), U(">用户取消操作！！！\r\n"));
    EXPECT_LT(elapsed, std::chrono::seconds(5)); // far below the 25 s reply wait
}

TEST_F(UploadRun, LineRateEmulationPacesTheTerminal)
{
    TerminalOptions options;
    options.emulateLineRate = true;
    const auto start = std::chrono::steady_clock::now();
    test::RunResult run = Upload(options, test::PatternBytes(5760)); // half a second of line at 115200
    ASSERT_TRUE(run.done);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(UploadRun, DroppedLineFailsPromptly)
{
    TerminalOptions options;
    options.dropAfterBlocks = 1;
    const auto start = std::chrono::steady_clock::now();
    test::RunResult run = Upload(options, test::PatternBytes(3 * 4096));
    EXPECT_FALSE(run.done);
    EXPECT_TRUE(run.lines.back() == U("*读取返回数据错误\r\n") || run.lines.back() == U("*发送数据错误\r\n"))
        << run.lines.back().toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// Uploads three blocks to a terminal that stops answering at the third, and
// cancels while the uploader waits for that answer: the terminal is left in
// the middle of the download, as after a user's cancel at 66%.
test::RunResult CancelInTheMiddle(const std::unique_ptr<VirtualTerminal>& terminal,
                                  const std::function<test::RunResult(std::atomic<bool>*)>& upload)
{
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::thread canceller([&] {
        while (!finished && (terminal == nullptr || terminal->BlocksReceived() < 3))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        cancel = true;
    });
    test::RunResult run = upload(&cancel);
    finished = true;
    canceller.join();
    return run;
}

TEST_F(UploadRun, AfterACancelledUploadAPauseDropsTheDownloadAndTheNextUploadSucceeds)
{
    TerminalOptions options;
    options.silentFromBlock = 2; // per download: the next upload has two blocks only
    options.pauseMs = 300;
    test::RunResult cancelled = CancelInTheMiddle(terminal, [&](std::atomic<bool>* cancel) {
        return Upload(options, test::PatternBytes(3 * 4096), 115200, cancel);
    });
    ASSERT_FALSE(cancelled.done);
    EXPECT_EQ(cancelled.lines.back(), U(">用户取消操作！！！\r\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_FALSE(terminal->Downloading());
    EXPECT_EQ(terminal->DownloadsDropped(), 1);

    const std::vector<uint8_t> image = test::PatternBytes(2 * 4096, 7);
    test::WriteSealedFile(file, image);
    test::RunResult again = test::RunUpload(terminal->DevicePath(), file, 115200);
    ASSERT_TRUE(again.done) << again.lines.join("").toStdString();
    EXPECT_EQ(terminal->Image(), image);
    EXPECT_EQ(terminal->DownloadsCompleted(), 1);
}

TEST_F(UploadRun, AnUploadStartedRightAfterACancelIsAnsweredAsANewOne)
{
    TerminalOptions options;
    options.silentFromBlock = 2;
    options.pauseMs = 60000; // no pause helps here: the detect frame itself ends the old download
    test::RunResult cancelled = CancelInTheMiddle(terminal, [&](std::atomic<bool>* cancel) {
        return Upload(options, test::PatternBytes(3 * 4096), 115200, cancel);
    });
    ASSERT_FALSE(cancelled.done);
    EXPECT_TRUE(terminal->Downloading());

    const std::vector<uint8_t> image = test::PatternBytes(2 * 4096, 7);
    test::WriteSealedFile(file, image);
    test::RunResult again = test::RunUpload(terminal->DevicePath(), file, 115200);
    ASSERT_TRUE(again.done) << again.lines.join("").toStdString();
    EXPECT_EQ(again.lines.count(U(">已连接\r\n")), 1);
    EXPECT_EQ(terminal->Image(), image);
}

} // namespace
} // namespace kdx::upload

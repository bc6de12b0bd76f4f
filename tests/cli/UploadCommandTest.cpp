// "kdx upload" as a child process against the virtual terminal.
#include "tests/upload/UploadTestSupport.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace kdx::upload {
namespace {

QString KdxProgram() { return QString(KDX_BIN_DIR) + "/kdx"; }

TEST(UploadCommand, UploadsAndExitsZeroOnlyAfterTheLastLine)
{
    test::TempDir dir;
    vterm::VirtualTerminal terminal;
    ASSERT_TRUE(terminal.Start());
    const std::vector<uint8_t> image = test::PatternBytes(5000);
    test::WriteSealedFile(dir.File("a.kdpbin"), image);
    QProcess kdx;
    kdx.start(KdxProgram(), {"upload", "--port", QString::fromStdString(terminal.DevicePath()), "--baud", "115200",
                             QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForFinished(20000));
    const QString out = QString::fromUtf8(kdx.readAllStandardOutput());
    EXPECT_EQ(kdx.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.startsWith(QString::fromUtf8(">正在打开端口...\r\n")));
    EXPECT_TRUE(out.contains(QString::fromUtf8(">已发送5000(100%)，")));
    EXPECT_TRUE(out.endsWith(QString::fromUtf8("秒\r\n>发送完毕\r\n")));
    EXPECT_EQ(terminal.Image(), image);
}

TEST(UploadCommand, FailureAndInterruptExitNonZero)
{
    test::TempDir dir;
    vterm::TerminalOptions options;
    options.silent = true;
    vterm::VirtualTerminal terminal(options);
    ASSERT_TRUE(terminal.Start());
    test::WriteSealedFile(dir.File("a.kdpbin"), test::PatternBytes(100));
    const QStringList args{"upload", "--port", QString::fromStdString(terminal.DevicePath()),
                           QString::fromStdString(dir.File("a.kdpbin"))};

    QProcess kdx;
    kdx.start(KdxProgram(), args);
    ASSERT_TRUE(kdx.waitForStarted());
    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // inside the rate search
    ::kill(pid_t(kdx.processId()), SIGINT);
    ASSERT_TRUE(kdx.waitForFinished(5000));
    EXPECT_EQ(kdx.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(kdx.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(kdx.readAllStandardOutput()).endsWith(QString::fromUtf8(">用户取消操作！！！\r\n")));

    kdx.start(KdxProgram(), {"upload", "--port", "/dev/kdx-no-such-port", QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForFinished(5000));
    EXPECT_EQ(kdx.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(kdx.readAllStandardOutput())
                    .endsWith(QString::fromUtf8("*打开端口错误，端口“/dev/kdx-no-such-port”不存在\r\n")));

    kdx.start(KdxProgram(), {"upload", "--port", "/dev/null", "--baud", "12345", "x.kdpbin"});
    ASSERT_TRUE(kdx.waitForFinished(5000));
    EXPECT_EQ(kdx.exitCode(), 2);
}

TEST(UploadCommand, PortsThatCannotBeSerialPortsSayWhy)
{
    test::TempDir dir;
    test::WriteSealedFile(dir.File("a.kdpbin"), test::PatternBytes(100));
    const std::string fifo = dir.File("fifo"), null = dir.File("null"), folder = dir.File("folder");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::pair<std::string, const char*> cases[] = {
        {dir.File("missing"), "不存在"}, {folder, "是一个文件夹"}, {fifo, "是一个命名管道"}, {null, "不是终端设备"},
        {dir.File("a.kdpbin"), "不是终端设备"}};
    for (const auto& [port, reason] : cases) {
        QProcess kdx;
        kdx.start(KdxProgram(), {"upload", "--port", QString::fromStdString(port),
                                 QString::fromStdString(dir.File("a.kdpbin"))});
        ASSERT_TRUE(kdx.waitForFinished(10000)) << port;
        EXPECT_EQ(kdx.exitCode(), 1);
        const QString out = QString::fromUtf8(kdx.readAllStandardOutput());
        const QString last = out.section(QStringLiteral("\r\n"), -2, -2);
        EXPECT_TRUE(last.startsWith(QString::fromUtf8("*打开端口错误，")) && last.contains(QString::fromUtf8(reason)))
            << out.toStdString();
    }

    // One device under two names is given twice.
    vterm::VirtualTerminal terminal;
    ASSERT_TRUE(terminal.Start());
    const std::string link = dir.File("by-id");
    ASSERT_EQ(symlink(terminal.DevicePath().c_str(), link.c_str()), 0);
    QProcess kdx;
    kdx.start(KdxProgram(), {"upload", "--port", QString::fromStdString(terminal.DevicePath()), "--port",
                             QString::fromStdString(link), QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForFinished(10000));
    EXPECT_EQ(kdx.exitCode(), 2);
    EXPECT_TRUE(kdx.readAllStandardError().contains("given twice"));
}

TEST(UploadCommand, TerminateEndsLikeInterruptWithTheSummary)
{
    test::TempDir dir;
    vterm::TerminalOptions options;
    options.silent = true;
    vterm::VirtualTerminal first(options), second(options);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    test::WriteSealedFile(dir.File("a.kdpbin"), test::PatternBytes(100));
    QProcess kdx;
    kdx.start(KdxProgram(), {"upload", "--port", QString::fromStdString(first.DevicePath()), "--port",
                             QString::fromStdString(second.DevicePath()), QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForStarted());
    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // inside the rate search
    ::kill(pid_t(kdx.processId()), SIGTERM);
    ASSERT_TRUE(kdx.waitForFinished(5000));
    EXPECT_EQ(kdx.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(kdx.exitCode(), 1);
    const QString out = QString::fromUtf8(kdx.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QString::fromUtf8(">上传汇总：0 个端口成功，2 个端口失败"))) << out.toStdString();
}

} // namespace
} // namespace kdx::upload

// "kdx upload" as a child process against the virtual terminal.
#include "tests/upload/UploadTestSupport.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

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
                    .endsWith(QString::fromUtf8("*打开端口错误，可能端口已被占用或是不支持所指定的波特率\r\n")));

    kdx.start(KdxProgram(), {"upload", "--port", "/dev/null", "--baud", "12345", "x.kdpbin"});
    ASSERT_TRUE(kdx.waitForFinished(5000));
    EXPECT_EQ(kdx.exitCode(), 2);
}

} // namespace
} // namespace kdx::upload

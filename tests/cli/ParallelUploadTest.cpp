// "kdx upload" with several ports, and the hint when a port may not be opened.
#include "tests/upload/UploadTestSupport.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx::upload {
namespace {

QString KdxProgram() { return QString(KDX_BIN_DIR) + "/kdx"; }

QString Device(const vterm::VirtualTerminal& t) { return QString::fromStdString(t.DevicePath()); }

TEST(ParallelUpload, SendsToEveryPortAtOnceAndSumsUp)
{
    test::TempDir dir;
    vterm::TerminalOptions slow;
    slow.baud = 9600;
    vterm::TerminalOptions faulty;
    faulty.crcErrors = {{1, 2}};
    vterm::VirtualTerminal a, b(slow), c(slow), d(faulty);
    for (vterm::VirtualTerminal* t : {&a, &b, &c, &d})
        ASSERT_TRUE(t->Start());
    const std::vector<uint8_t> image = test::PatternBytes(9000);
    test::WriteSealedFile(dir.File("a.kdpbin"), image);

    QProcess kdx;
    kdx.start(KdxProgram(), {"upload", "--port", Device(a), "--port", Device(b), "--port", Device(c), "--port",
                             Device(d), "--baud", "115200", QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForFinished(60000));
    const QString out = QString::fromUtf8(kdx.readAllStandardOutput());
    EXPECT_EQ(kdx.exitCode(), 0) << out.toStdString();
    for (vterm::VirtualTerminal* t : {&a, &b, &c, &d}) {
        EXPECT_EQ(t->Image(), image) << t->DevicePath();
        const QString prefix = '[' + Device(*t) + "] ";
        EXPECT_TRUE(out.contains(prefix + QString::fromUtf8(">已发送9000(100%)，"))) << out.toStdString();
        EXPECT_TRUE(out.contains(prefix + QString::fromUtf8(">发送完毕\r\n"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QString::fromUtf8(">  %1：成功\r\n").arg(Device(*t)))) << out.toStdString();
    }
    EXPECT_TRUE(out.contains('[' + Device(d) + QString::fromUtf8("] *CRC错误，重试2次\r\n"))) << out.toStdString();
    EXPECT_TRUE(out.contains('[' + Device(b) + QString::fromUtf8("] >终端波特率已设置为“115200”\r\n")));
    EXPECT_TRUE(out.contains(QString::fromUtf8(">上传汇总：4 个端口成功，0 个端口失败\r\n"))) << out.toStdString();
}

TEST(ParallelUpload, NamesEachFailureAndExitsNonZero)
{
    test::TempDir dir;
    vterm::TerminalOptions mismatch;
    mismatch.downloadReply = 0xF9;
    vterm::VirtualTerminal good, wrongModel(mismatch);
    ASSERT_TRUE(good.Start());
    ASSERT_TRUE(wrongModel.Start());
    const std::vector<uint8_t> image = test::PatternBytes(300);
    test::WriteSealedFile(dir.File("a.kdpbin"), image);

    QProcess kdx;
    kdx.start(KdxProgram(), {"upload", "--port", Device(good), "--port", "/dev/kdx-no-such-port", "--port",
                             Device(wrongModel), QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForFinished(60000));
    const QString out = QString::fromUtf8(kdx.readAllStandardOutput());
    EXPECT_EQ(kdx.exitCode(), 1) << out.toStdString();
    EXPECT_EQ(good.Image(), image);
    EXPECT_TRUE(out.endsWith(QString::fromUtf8(
        ">上传汇总：1 个端口成功，2 个端口失败\r\n"
        ">  %1：成功\r\n"
        "*  /dev/kdx-no-such-port：失败（*打开端口错误，端口“/dev/kdx-no-such-port”不存在）\r\n"
        "*  %2：失败（*不匹配的终端型号）\r\n")
                                 .arg(Device(good), Device(wrongModel))))
        << out.toStdString();

    kdx.start(KdxProgram(), {"upload", "--port", Device(good), "--port", Device(good), "a.kdpbin"});
    ASSERT_TRUE(kdx.waitForFinished(5000));
    EXPECT_EQ(kdx.exitCode(), 2);
}

TEST(ParallelUpload, APortWithoutPermissionNamesTheGroupToJoin)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the upload as another user";
    test::TempDir dir;
    vterm::VirtualTerminal terminal;
    ASSERT_TRUE(terminal.Start());
    test::WriteSealedFile(dir.File("a.kdpbin"), test::PatternBytes(10));
    ::chmod(dir.File("").c_str(), 0755);
    ::chmod(dir.File("a.kdpbin").c_str(), 0644);
    const std::string device = terminal.DevicePath();
    ASSERT_EQ(::chown(device.c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);

    QProcess kdx;
    kdx.setChildProcessModifier([] {
        // nobody, in no group that owns the device
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
    });
    kdx.start(KdxProgram(), {"upload", "--port", Device(terminal), QString::fromStdString(dir.File("a.kdpbin"))});
    ASSERT_TRUE(kdx.waitForFinished(10000));
    if (kdx.exitCode() == 99 || kdx.error() == QProcess::FailedToStart)
        GTEST_SKIP() << "cannot run as nobody here";
    const QString out = QString::fromUtf8(kdx.readAllStandardOutput());
    EXPECT_EQ(kdx.exitCode(), 1) << out.toStdString() << kdx.readAllStandardError().toStdString();
    EXPECT_TRUE(out.endsWith(QString::fromUtf8("*打开端口错误，可能端口已被占用或是不支持所指定的波特率\r\n"
                                               "!没有读写该端口的权限：请把当前用户加入拥有该设备的用户组“root”"
                                               "（sudo usermod -aG root 用户名），重新登录后再试\r\n")))
        << out.toStdString();
}

} // namespace
} // namespace kdx::upload

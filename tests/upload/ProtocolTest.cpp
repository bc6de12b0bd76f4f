#include "tests/upload/UploadTestSupport.h"
#include "upload/CompiledFile.h"
#include "upload/PortDiscovery.h"
#include "upload/Protocol.h"
#include "upload/UploadStrings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace kdx::upload {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(UploadFrames, CommandFramesAreByteExact)
{
    EXPECT_EQ(DetectFrame(), (Bytes{0xFD, 0x03, 0x00, 0x02, 0x00, 0x00, 0xDD, 0xCC, 0xBB, 0xAA}));
    EXPECT_EQ(SetBaudFrame(0xFF),
              (Bytes{0xFD, 0x01, 0x00, 0x05, 0x55, 0xAA, 0x5A, 0xA5, 0xFF, 0xDD, 0xCC, 0xBB, 0xAA}));
    EXPECT_EQ(BeginDownloadFrame(0x0320, 0x01E0, 0x00012345),
              (Bytes{0xFD, 0x0F, 0x00, 0x08, 0x03, 0x20, 0x01, 0xE0, 0x00, 0x01, 0x23, 0x45, 0xDD, 0xCC,
                     0xBB, 0xAA}));
}

TEST(UploadFrames, DataBlockCarriesBigEndianLengthAndCrc)
{
    const std::string text = "123456789"; // CRC-32 check value 0xCBF43926
    Bytes block = DataBlock(Bytes(text.begin(), text.end()));
    ASSERT_EQ(block.size(), 15u);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 6), (Bytes{0x00, 0x09, 0xCB, 0xF4, 0x39, 0x26}));
    EXPECT_EQ(std::string(block.begin() + 6, block.end()), text);
}

TEST(UploadFrames, BaudTableCodes)
{
    EXPECT_EQ(BaudCode(115200), 0xFF);
    EXPECT_EQ(BaudCode(921600), 0x8F);
    EXPECT_EQ(BaudCode(1200), 0x00);
    EXPECT_FALSE(BaudCode(9601));
    EXPECT_EQ(BaudForCode(0xFF), 115200);
    EXPECT_FALSE(BaudForCode(0x09));
}

TEST(UploadStrings, FormatsTheTableTexts)
{
    EXPECT_EQ(FormatString(IDS_CONNECTING, 9600), QString::fromUtf8(">正在以“9600”波特连接...\r\n"));
    EXPECT_EQ(FormatString(IDS_FILE_TOO_BIG, 4194303ull), QString::fromUtf8("*文件太大(4194303 K)\r\n"));
    EXPECT_EQ(FormatString(IDS_PROGRESS, 4096u, 40u, 1234.4, 2.26),
              QString::fromUtf8(">已发送4096(40%)，1234字节/秒，剩余2.3秒\r\n"));
    EXPECT_TRUE(LoadString(12345).isEmpty());
}

TEST(UploadPortDiscovery, ExtraPortsComeFromTheEnvironment)
{
    setenv("KDX_EXTRA_PORTS", "/dev/pts/7::/tmp/sim", 1);
    std::vector<PortInfo> ports = EnumeratePorts();
    unsetenv("KDX_EXTRA_PORTS");
    ASSERT_GE(ports.size(), 2u);
    EXPECT_EQ(ports[ports.size() - 2].devicePath, "/dev/pts/7");
    EXPECT_EQ(ports.back().friendlyName, "/tmp/sim");
    EXPECT_EQ(FriendlyPortName("USB Serial", "ttyUSB0"), "USB Serial (ttyUSB0)");
    EXPECT_EQ(FriendlyPortName("", "ttyS0"), "ttyS0");
}

// The loader's checks, in their order, each with its line.
class UploadCompiledFile : public ::testing::Test {
protected:
    QString Load(const std::string& path, CompiledImage* out = nullptr)
    {
        QStringList lines;
        try {
            CompiledImage image = LoadCompiledImage(QString::fromStdString(path), [&](const QString& l) { lines << l; });
            if (out)
                *out = image;
        } catch (const UploadAborted&) {
        } catch (const std::exception& e) {
            lines << QString("exception: ") + e.what();
        }
        return lines.join("");
    }
    test::TempDir dir;
};

TEST_F(UploadCompiledFile, AcceptsASealedCompiledFile)
{
    const std::string path = dir.File("ok.kdpbin");
    const Bytes image = test::PatternBytes(300);
    test::WriteSealedFile(path, image, FileHeader::kCompiledKind, 320, 240);
    CompiledImage loaded;
    EXPECT_EQ(Load(path, &loaded), QString::fromUtf8(">文件校验完毕（软件版本：1.0；硬件标识：A5；屏幕分辨率：320 x "
                                                     "240；屏幕色深：16；工程备注：测试工程）\r\n"));
    EXPECT_EQ(loaded.image, image);
    EXPECT_EQ(loaded.header.width, 320);
}

TEST_F(UploadCompiledFile, RefusesWhatIsNotACompiledFile)
{
    const QString notCompiled = QString::fromUtf8("*不是KDX触屏工程编译文件\r\n");
    const std::string project = dir.File("p.kdp");
    test::WriteSealedFile(project, test::PatternBytes(50), FileHeader::kProjectKind);
    EXPECT_EQ(Load(project), notCompiled);

    const std::string headerOnly = dir.File("h.kdpbin");
    test::WriteSealedFile(headerOnly, {});
    EXPECT_EQ(Load(headerOnly), notCompiled);

    const std::string text = dir.File("t.kdpbin");
    test::WriteSealedFile(text, test::PatternBytes(500));
    { // wrong magic
        int fd = open(text.c_str(), O_WRONLY);
        ASSERT_EQ(pwrite(fd, "X", 1, 0), 1);
        close(fd);
    }
    EXPECT_EQ(Load(text), notCompiled);
}

TEST_F(UploadCompiledFile, DamagedSealAndMissingAndHugeFiles)
{
    const std::string path = dir.File("d.kdpbin");
    test::WriteSealedFile(path, test::PatternBytes(500));
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, "\x01", 1, 400), 1);
    close(fd);
    EXPECT_EQ(Load(path), QString::fromUtf8("*文件已经损坏\r\n"));

    EXPECT_TRUE(Load(dir.File("missing.kdpbin")).startsWith("exception: "));

    // A sparse file of 4 GiB - 1 is refused before anything is read.
    const std::string huge = dir.File("huge.kdpbin");
    fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_EQ(ftruncate(fd, 0xFFFFFFFFll), 0);
    close(fd);
    EXPECT_EQ(Load(huge), QString::fromUtf8("*文件太大(4194303 K)\r\n"));
}

} // namespace
} // namespace kdx::upload

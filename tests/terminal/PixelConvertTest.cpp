#include "terminal/PixelConvert.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kdx {
namespace {

QByteArray Bytes(std::initializer_list<uint8_t> list) { return QByteArray(reinterpret_cast<const char*>(std::data(list)), qsizetype(list.size())); }

TEST(PixelConvert, PrimaryColoursAtBothDepths)
{
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 255, 0));
    image.setPixel(2, 0, qRgb(0, 0, 255));
    EXPECT_EQ(ConvertImageToPixels(image, 16), Bytes({0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F}));
    EXPECT_EQ(ConvertImageToPixels(image, 24), Bytes({0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00}));
    // Reduction to 5-6-5 truncates: 0x0F red, 0x07 green become 1 and 1.
    QImage grey(1, 1, QImage::Format_RGB32);
    grey.setPixel(0, 0, qRgb(0x0F, 0x07, 0x08));
    EXPECT_EQ(ConvertImageToPixels(grey, 16), Bytes({0x08, 0x21}));
}

TEST(PixelConvert, TransparencyIsComposedOverBlack)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 255, 255, 0));
    image.setPixel(1, 0, qRgba(0, 0, 255, 255));
    EXPECT_EQ(ConvertImageToPixels(image, 24), Bytes({0, 0, 0, 0xFF, 0, 0}));
}

TEST(PixelConvert, ScalesToExactlyTheRequestedSize)
{
    QImage image(40, 10, QImage::Format_RGB32);
    image.fill(qRgb(0, 255, 0));
    const QByteArray frame = ConvertImageToPixels(image, 100, 50, 16);
    ASSERT_EQ(frame.size(), 100 * 50 * 2);
    for (qsizetype i = 0; i < frame.size(); i += 2)
        ASSERT_EQ(frame.mid(i, 2), Bytes({0x07, 0xE0})) << i;
    EXPECT_TRUE(ConvertImageToPixels(image, 0, 5, 16).isEmpty());
    EXPECT_TRUE(ConvertImageToPixels(image, 5, 5, 8).isEmpty());
    EXPECT_TRUE(ConvertImageToPixels(QImage(), 5, 5, 16).isEmpty());
    EXPECT_TRUE(ConvertFileToPixels("/no/such/file.png", 5, 5, 16).isEmpty());
}

TEST(PixelConvert, FramesTurnBackIntoImages)
{
    const QImage back16 = PixelsToImage(Bytes({0xF8, 0x00, 0x00, 0x1F}), 2, 1, 16);
    EXPECT_EQ(back16.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(back16.pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(PixelsToImage(Bytes({1, 2, 3}), 1, 1, 24).pixel(0, 0), qRgb(3, 2, 1));
    EXPECT_TRUE(PixelsToImage(Bytes({1, 2}), 1, 1, 24).isNull());
}

// Files named by their first bytes read as the image library's own detection
// reads them, whatever their names say; others are left to that detection,
// and a pipe is never opened.
TEST(PixelConvert, SignatureChoosesTheSameReaderAsDetection)
{
    QTemporaryDir dir;
    QImage image(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            image.setPixel(x, y, qRgb(x * 19, y * 36, (x * y) % 256));
    struct Case {
        const char* name;
        const char* savedAs;
        QByteArray chosen; // the format the signature names, or none
    };
    const Case cases[] = {
        {"png.png", "PNG", "png"}, {"png.jpg", "PNG", "png"}, {"jpeg.png", "JPEG", "jpeg"},
        {"jpeg", "JPEG", "jpeg"},  {"bmp.png", "BMP", ""},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(image.save(path, c.savedAs));
        QImageReader detected(path);
        const QByteArray detectedFormat = detected.format();
        const QImage expected = detected.read();
        ASSERT_FALSE(expected.isNull()) << c.name;
        QImageReader chosen(path);
        PreferSignatureFormat(chosen);
        EXPECT_EQ(chosen.format(), c.chosen.isEmpty() ? detectedFormat : c.chosen) << c.name;
        EXPECT_EQ(detectedFormat, c.chosen.isEmpty() ? QByteArray("bmp") : c.chosen) << c.name;
        EXPECT_EQ(chosen.read(), expected) << c.name;
    }
    // A damaged PNG fails as it does under detection.
    QFile::resize(dir.filePath("png.png"), 30);
    QImageReader cut(dir.filePath("png.png"));
    PreferSignatureFormat(cut);
    EXPECT_TRUE(cut.read().isNull());

    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QImageReader pipe(fifo);
    PreferSignatureFormat(pipe); // would block here if it opened the pipe
    EXPECT_FALSE(pipe.device()->isOpen());
}

} // namespace
} // namespace kdx

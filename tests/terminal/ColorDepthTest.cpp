#include "terminal/ColorDepth.h"
#include "terminal/PixelConvert.h"

#include <QImage>

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(ColorDepth, SpreadingKeepsTheCutBitsAndTheEnds)
{
    for (int v = 0; v < 256; ++v) {
        const auto c = uint8_t(v);
        EXPECT_EQ(Cut5(Spread5(Cut5(c))), Cut5(c)) << v;
        EXPECT_EQ(Cut6(Spread6(Cut6(c))), Cut6(c)) << v;
    }
    EXPECT_EQ(Spread5(0), 0);
    EXPECT_EQ(Spread6(0), 0);
    EXPECT_EQ(Spread5(0x1F), 0xFF);
    EXPECT_EQ(Spread6(0x3F), 0xFF);
}

TEST(ColorDepth, EveryPackedPixelComesBackFromItsShownColour)
{
    for (unsigned pixel = 0; pixel <= 0xFFFF; ++pixel) {
        const QRgb shown = Unpack565(uint16_t(pixel));
        ASSERT_EQ(Pack565(uint8_t(qRed(shown)), uint8_t(qGreen(shown)), uint8_t(qBlue(shown))), pixel);
    }
    EXPECT_EQ(Pack565(0xFF, 0xFF, 0xFF), 0xFFFF);
    EXPECT_EQ(Pack565(0xFF, 0, 0), 0xF800);
    EXPECT_EQ(Pack565(0, 0xFF, 0), 0x07E0);
    EXPECT_EQ(Pack565(0, 0, 0xFF), 0x001F);
}

// Pictures are reduced by Qt's conversion for speed: it must cut as the rule does.
TEST(ColorDepth, PictureEncodingCutsAsTheRule)
{
    QImage ramp(256, 3, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v) {
        ramp.setPixel(v, 0, qRgb(v, 255 - v, v / 2));
        ramp.setPixel(v, 1, qRgb(255 - v, v / 3, v));
        ramp.setPixel(v, 2, qRgb(v, v, 255 - v));
    }
    const QByteArray frame = ConvertImageToPixels(ramp, 16);
    ASSERT_EQ(frame.size(), 256 * 3 * BytesPerPixel(16));
    const QImage back = PixelsToImage(frame, 256, 3, 16);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgb c = ramp.pixel(x, y);
            const size_t at = size_t(y * 256 + x) * 2;
            const auto stored = uint16_t(uint8_t(frame[qsizetype(at)]) << 8 | uint8_t(frame[qsizetype(at + 1)]));
            const uint16_t wanted = Pack565(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
            ASSERT_EQ(stored, wanted) << x << "," << y;
            ASSERT_EQ(back.pixel(x, y), Unpack565(wanted)) << x << "," << y;
        }
    }
}

TEST(ColorDepth, ColourRecordsAndTheColourShown)
{
    uint8_t bytes[4];
    ColorRecordBytes(0x00123456, 24, bytes); // R 0x56, G 0x34, B 0x12
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xFF}));
    ColorRecordBytes(0x00FFFFFF, 16, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x1F, 0x3F, 0x1F, 0xFF}));
    ColorRecordBytes(kNoColor, 16, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0, 0, 0, 0}));

    // A record's value read back shows the colour at full brightness at
    // depth 16, and a 16-bit project's kept colour cuts to the same bits.
    for (const Color c : {0x00000000u, 0x00FFFFFFu, 0x00070307u, 0x00F8FCF8u, 0x00123456u, 0x00ABCDEFu}) {
        for (const uint32_t depth : {16u, 24u}) {
            ColorRecordBytes(c, depth, bytes);
            const uint32_t value = bytes[0] | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16;
            const QColor shown = ShownRecordColor(value, int(depth));
            const auto kept = KeptColor(c, depth);
            ASSERT_TRUE(kept);
            const Color shownKept = *KeptColor(Color(shown.red()) | Color(shown.green()) << 8 | Color(shown.blue()) << 16, depth);
            EXPECT_EQ(shownKept, *kept) << std::hex << c << " at " << std::dec << depth;
            if (depth == 24)
                EXPECT_EQ(shown, QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)));
        }
    }
    EXPECT_EQ(ShownRecordColor(0x1F3F1F, 16), QColor(255, 255, 255));
}

TEST(ColorDepth, OnlySixteenAndTwentyFourBitsAreDepths)
{
    EXPECT_EQ(BytesPerPixel(16), 2);
    EXPECT_EQ(BytesPerPixel(24), 3);
    for (int depth : {0, 1, 8, 15, 32})
        EXPECT_EQ(BytesPerPixel(depth), 0) << depth;
    EXPECT_EQ(KeptColor(0x00FFFFFF, 16), Color(0x00F8FCF8));
    EXPECT_EQ(KeptColor(0xFF123456, 24), Color(0x00123456));
    EXPECT_FALSE(KeptColor(0x00123456, 8));
    EXPECT_FALSE(KeptColor(0x00123456, 32));
}

} // namespace
} // namespace kdx

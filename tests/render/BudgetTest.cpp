// Hostile compiled files that cost far more than their size to read or to
// draw, run through "kdx render" under 1 GiB of address space: each ends
// with a picture or one clear error line. The files are made here.
#include "tests/render/RenderTestSupport.h"

#include "common/ByteOrder.h"
#include "terminal/MemoryImageLayout.h"
#include "terminal/TerminalPaint.h"
#include "render/PageRenderer.h"
#include "tests/support/ProgramRun.h"

#include <QFileInfo>
#include <QPainter>

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

using namespace image_layout;
using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 800, kHeight = 480;

// Runs a program of this build under 1 GiB of address space; a hang is
// killed after a minute (a guard, not a measure).
test::ProgramRun RunWithinOneGiB(const QString& program, const QStringList& args)
{
    test::RunLimits limits;
    limits.addressSpace = quint64(1) << 30;
    return test::RunProgram(program, args, limits);
}

// A memory image put together block by block, with one page.
class ImageBuilder {
public:
    ImageBuilder() : m_bytes(kHeaderSize)
    {
        StoreLE16(&m_bytes[kHeaderWidth], kWidth);
        StoreLE16(&m_bytes[kHeaderHeight], kHeight);
    }

    uint32_t Append(const Bytes& block)
    {
        const uint32_t at = uint32_t(m_bytes.size());
        m_bytes.insert(m_bytes.end(), block.begin(), block.end());
        return at;
    }

    void AddRecord(uint16_t type, uint32_t value, int left, int top, int right, int bottom)
    {
        Bytes r(kRecordSize);
        StoreLE16(&r[kRecordType], type);
        StoreLE16(&r[kRecordJump], image_layout::kNoPage);
        StoreLE32(&r[kRecordValue], value);
        const int edges[] = {left, top, right, bottom};
        for (int i = 0; i < 4; ++i)
            StoreLE16(&r[kRecordRect + 2 * i], uint16_t(int16_t(edges[i])));
        m_records.insert(m_records.end(), r.begin(), r.end());
    }

    // The compiled file: header, this image and its one page, sealed.
    Bytes CompiledFile()
    {
        const uint32_t first = Append(m_records);
        Bytes entry(kPageEntrySize);
        StoreLE16(&entry[kPageRecordCount], uint16_t(m_records.size() / kRecordSize));
        StoreLE32(&entry[kPageFirstRecord], first);
        StoreLE32(&m_bytes[kHeaderPageTable], Append(entry));
        StoreLE32(&m_bytes[kHeaderPageCount], 1);
        FileHeader header;
        header.kind = FileHeader::kCompiledKind;
        header.width = kWidth;
        header.height = kHeight;
        const auto head = header.Bytes();
        Bytes file(head.begin(), head.end());
        file.insert(file.end(), m_bytes.begin(), m_bytes.end());
        SealBytes(file);
        return file;
    }

private:
    Bytes m_bytes;
    Bytes m_records;
};

struct Rendered {
    test::ProgramRun run;
    QImage page;
};

// Renders page 0 of 'file' with kdx under 1 GiB.
Rendered RenderWithin(Workspace& workspace, const Bytes& file)
{
    const std::string input = workspace.Path("crafted.kdpbin");
    WriteBytes(input, file);
    const QString output = QString::fromStdString(workspace.Path("crafted.png"));
    Rendered result;
    result.run = RunWithinOneGiB("kdx", {"render", QString::fromStdString(input), "--page", "0", output});
    result.page = QImage(output);
    return result;
}

TEST(RenderBudget, BlocksSharingBytesAreRefusedNotDecodedOverAndOver)
{
    // 8.4 MB of one 7-byte picture head repeated: every head at a multiple of
    // 7 starts a valid 1000 x 1000 picture whose pixels are the heads after it.
    const uint8_t head[] = {0xE8, 0x03, 0xE8, 0x03, 0, 16, 1};
    Bytes pictures;
    while (pictures.size() < 8'400'000)
        pictures.insert(pictures.end(), std::begin(head), std::end(head));
    ImageBuilder overlapping;
    const uint32_t base = overlapping.Append(pictures);
    for (uint32_t k = 0; k < 65535; ++k)
        overlapping.AddRecord(kDrawPicture, base + 7 * k, 0, 0, 999, 999);

    // A 10 MB text (font 1, spacings 1) referenced at 5,000 offsets inside it.
    Bytes text(10'000'000, 0x01);
    text.push_back(0);
    ImageBuilder shifted;
    const uint32_t textAt = shifted.Append(text);
    for (uint32_t k = 0; k < 5000; ++k)
        shifted.AddRecord(kDrawText, textAt + k, 0, 0, 99, 99);

    Workspace workspace;
    for (ImageBuilder* builder : {&overlapping, &shifted}) {
        const Rendered result = RenderWithin(workspace, builder->CompiledFile());
        ASSERT_TRUE(result.run.finished);
        EXPECT_EQ(result.run.exitCode, 1);
        EXPECT_TRUE(result.run.err.contains(QStringLiteral("与其他数据块重叠"))) << result.run.err.toStdString();
    }
}

TEST(RenderBudget, HugeShapesAndLongTextsDrawWhatIsVisible)
{
    // 65,535 ellipses of the largest coordinates: filled ones that cover the
    // screen, outlines around it, and outlines whose arc crosses it, in
    // changing colours.
    ImageBuilder ellipses;
    for (int k = 0; k < 65535; ++k) {
        switch (k % 4) {
        case 0: ellipses.AddRecord(kDrawColor, uint32_t(k * 2654435761u) & 0xFFFF, 0, 0, 0, 0); break;
        case 1: ellipses.AddRecord(kDrawFilledEllipse, 0, -32768, -32768, 32767, 32767); break;
        case 2: ellipses.AddRecord(kDrawEllipse, 0, -32768, -32768, 32767, 32767); break;
        default: ellipses.AddRecord(kDrawEllipse, 0, -32768, -32768 + k % 97, 32767, 200 + k % 89); break;
        }
    }
    // A 50 MB text of short lines in one record.
    Bytes text = {1, 0, 0};
    text.reserve(50'000'010);
    while (text.size() < 50'000'000)
        for (char c : std::string("0123456789ABCDEFGHIJ\r\n"))
            text.push_back(uint8_t(c));
    text.push_back(0);
    ImageBuilder longText;
    longText.AddRecord(kDrawText, longText.Append(text), 0, 0, kWidth - 1, kHeight - 1);

    Workspace workspace;
    for (ImageBuilder* builder : {&ellipses, &longText}) {
        const Rendered result = RenderWithin(workspace, builder->CompiledFile());
        ASSERT_TRUE(result.run.finished);
        EXPECT_EQ(result.run.exitCode, 0) << result.run.err.toStdString();
        EXPECT_EQ(result.page.size(), QSize(kWidth, kHeight));
    }
}

TEST(RenderBudget, ATenMillionCharacterTextCompilesAndRenders)
{
    // One line of 10^7 characters, which the compiler keeps whole.
    ProjectDesc project = SmallProject(16, kWidth, kHeight);
    PageDesc page;
    page.pageId = 1;
    ObjectDesc text = Shape("CDrawText", 1, 0, 0, kWidth, kHeight);
    text.lineColor = Rgb(255, 255, 255);
    for (int i = 0; text.text.size() < 10'000'000; ++i)
        text.text += i % 2 ? u"文字" : u"AB";
    page.objects = {text};
    project.pages = {page};
    Workspace workspace;
    WriteBytes(workspace.Path("long.kdp"), BuildProjectFile(project));
    const QString compiled = QString::fromStdString(workspace.Path("long.kdpbin"));
    const test::ProgramRun compile =
        RunWithinOneGiB("kdx", {"compile", QString::fromStdString(workspace.Path("long.kdp")), compiled});
    ASSERT_TRUE(compile.finished);
    ASSERT_EQ(compile.exitCode, 0) << compile.out.toStdString();

    const QString output = QString::fromStdString(workspace.Path("long.png"));
    const test::ProgramRun render = RunWithinOneGiB("kdx", {"render", compiled, "--page", "0", output});
    ASSERT_TRUE(render.finished);
    EXPECT_EQ(render.exitCode, 0) << render.err.toStdString();
    EXPECT_EQ(QImage(output).size(), QSize(kWidth, kHeight));
}

QImage Text(const std::u16string& text, QSize size = {200, 100})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    PaintTerminalText(painter, PageRect{0, 0, size.width(), size.height()}, text, TextStyle{}, Qt::white);
    return image;
}

TEST(DrawingBudget, TextsDrawWhatIsVisibleOfThem)
{
    EnsureGuiApplication();
    // Ten million characters show what their first lines show.
    std::u16string huge;
    for (int i = 0; huge.size() < 10'000'000; ++i)
        huge += i % 5 == 4 ? u"行\r\n" : u"文字AB";
    EXPECT_EQ(Text(huge), Text(huge.substr(0, 2000)));
    // Past the right edge the line is only counted: the next lines still
    // show, and a tab after a soft break keeps the unwrapped column.
    const std::u16string longLine(100000, u'A'), shortLine(32, u'A');
    EXPECT_EQ(Text(longLine + u"\r\nB\r\nC"), Text(shortLine + u"\r\nB\r\nC"));
    EXPECT_EQ(Text(longLine + u"\n\tX"), Text(shortLine + u"\n\tX"));
    EXPECT_NE(Text(longLine + u"A\n\tX"), Text(shortLine + u"\n\tX"));
}

// The pixels the painter gives a shape of 'bounds', seen through a 'view'
// of the page.
QImage Shape(ShapeKind kind, const PageRect& bounds, const QRect& view, bool filled)
{
    QImage image(view.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.translate(-view.topLeft());
    PaintShape(painter, kind, bounds, filled ? QColor() : QColor(Qt::white), filled ? QColor(Qt::white) : QColor());
    return image;
}

TEST(DrawingBudget, ShapesPastTheScreenLookAsWhenSeenWhole)
{
    // Seen whole, a shape is drawn by Qt; cut by the view, only its visible
    // part is drawn: rectangles exactly, huge ellipses row by row, which
    // agrees but for a few edge pixels.
    const PageRect bounds{-4500, 20, 4700, 90};
    const QRect whole(-4500, 0, 9200, 100), cut(0, 0, 200, 100);
    for (ShapeKind kind : {ShapeKind::Rect, ShapeKind::Ellipse})
        for (bool filled : {false, true}) {
            const QImage reference = Shape(kind, bounds, whole, filled).copy(QRect(4500, 0, 200, 100));
            const QImage part = Shape(kind, bounds, cut, filled);
            int ink = 0, differ = 0;
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 200; ++x) {
                    ink += reference.pixel(x, y) != QColor(Qt::black).rgb();
                    differ += reference.pixel(x, y) != part.pixel(x, y);
                }
            EXPECT_GT(ink, filled ? 5000 : 250) << filled;
            EXPECT_LE(differ, kind == ShapeKind::Rect ? 0 : ink / 10) << filled;
        }
}

TEST(DrawingBudget, RecordsHiddenOrOffTheScreenChangeNothing)
{
    EnsureGuiApplication();
    // Red everywhere, then a huge blue ellipse that covers the screen, a
    // green rectangle, an outline around the whole screen and a shape off it.
    ImageBuilder page;
    page.AddRecord(kDrawColor, 0xFF0000, 0, 0, 0, 0);
    page.AddRecord(kDrawFilledRect, 0, 0, 0, kWidth - 1, kHeight - 1);
    page.AddRecord(kDrawColor, 0x0000FF, 0, 0, 0, 0);
    page.AddRecord(kDrawFilledEllipse, 0, -32768, -32768, 32767, 32767);
    page.AddRecord(kDrawColor, 0x00FF00, 0, 0, 0, 0);
    page.AddRecord(kDrawFilledRect, 0, 10, 10, 19, 19);
    page.AddRecord(kDrawEllipse, 0, -32768, -32768, 32767, 32767);
    page.AddRecord(kDrawFilledRect, 0, -500, -500, -10, -10);
    const auto image = Load(page.CompiledFile());
    ASSERT_TRUE(image);
    QImage expected(kWidth, kHeight, QImage::Format_RGB32);
    expected.fill(QColor(0, 0, 255));
    QPainter(&expected).fillRect(10, 10, 10, 10, QColor(0, 255, 0));
    EXPECT_EQ(render::RenderPage(*image, 0), expected);
}

} // namespace
} // namespace kdx::testing

#include "tests/compile/pipeline/PipelineHarness.h"

#include "common/ByteOrder.h"
#include "compile/ImageWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kdx::testing {
namespace {

TEST(MemoryImage, EmptyProjectIsHeaderOnlyAndSealed)
{
    Workspace ws;
    ProjectDesc p = Project(800, 480, 24);
    p.header.hardwareId = 0xABC;
    p.header.reserved[3] = 0x5A;
    p.header.SetRemark(u"备注");
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written) << QString::fromStdU16String(out.failure).toStdString();
    EXPECT_EQ(out.imageSize, 28u);
    EXPECT_EQ(out.Image(), ByteList().U32(28).U32(0).U16(800).U16(480).U32(0).U32(0).U32(0).U32(0).bytes);

    FileHeader header;
    ASSERT_EQ(CheckCompiledFile(out.file, &header), CompiledCheck::Ok);
    EXPECT_EQ(header.kind, 2u);
    EXPECT_EQ(header.hardwareId, 0xABCu);
    EXPECT_EQ(header.reserved[3], 0x5A);
    EXPECT_EQ(header.Remark(), u"备注");
    EXPECT_EQ(out.messages.front(),
              u">文件校验完毕（软件版本：1.0；硬件标识：ABC；屏幕分辨率：800 x 480；屏幕色深：24；工程备注：备注）\r\n");
}

// Every shape kind, colour records, shared send data, jumps and an empty page.
TEST(MemoryImage, ShapesRecordsAndRelocationAreByteExact)
{
    Workspace ws;
    ProjectDesc p = Project(480, 272, 16);
    const SendDesc shared{0x105, {1, 2, 3}};
    PageDesc a;
    a.pageId = 7;
    a.name = u"Main";
    a.backgroundColor = 0x0000FF;
    a.loadSend = shared;
    ObjectDesc filled = Shape("CDrawRect", 1, 10, 10, 20, 20);
    filled.fillColor = 0x0000FF;
    filled.jumpTarget = 9;
    filled.executeCondition = 3;
    filled.send = shared;
    ObjectDesc outline = Shape("CDrawRect", 2, 0, 0, 480, 272);
    outline.lineColor = 0x00FF00;
    ObjectDesc round = Shape("CDrawRoundRect", 3, 1, 2, 3, 4);
    round.fillColor = 0x00FF00;
    round.extra = 4;
    ObjectDesc ellipse = Shape("CDrawEllipse", 4, 5, 6, 7, 8);
    ellipse.lineColor = 0xFF0000;
    ellipse.fillColor = 0x00FF00;
    ObjectDesc line = Shape("CDrawLine", 0, 100, 50, 10, 5);
    line.lineColor = 0xFF0000;
    ObjectDesc custom = Shape("CDrawCustom", 6, 470, 262, 490, 282);
    custom.extra = 42;
    custom.jumpTarget = 7;
    custom.executeCondition = 8;
    a.objects = {filled, outline, round, ellipse, line, custom};
    PageDesc b;
    b.pageId = 9;
    b.name = u"Second";
    b.unloadSend = SendDesc{0x1FF, {0xAA}};
    p.pages = {a, b};

    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const uint32_t records = 60, sendA = 260, sendB = 266;
    ByteList expected;
    expected.U32(28).U32(0).U16(480).U16(272).U32(2).U32(28).U32(0).U32(0);
    expected.U16(7).U16(10).U32(records).U32(sendA).U32(0);
    expected.U16(9).U16(0).U32(0).U32(0).U32(sendB);
    expected.Color({0x00, 0x00, 0x1F, 0xFF});
    expected.Record(10, 0xFFFF, 0, 0, 0, 0, 479, 271);
    expected.Record(0x300A, 1, sendA, 0, 10, 10, 19, 19);
    expected.Color({0x00, 0x3F, 0x00, 0xFF});
    expected.Record(9, 0xFFFF, 0, 0, 0, 0, 479, 271);
    expected.Record(12, 0xFFFF, 0, 4, 1, 2, 2, 3);
    expected.Color({0x1F, 0x00, 0x00, 0xFF});
    expected.Record(13, 0xFFFF, 0, 0, 5, 6, 6, 7);
    expected.Record(6, 0xFFFF, 0, 0, 100, 50, 10, 5);
    expected.Record(0x8003, 0, 0, 42, 470, 262, 489, 281);
    expected.Raw({3, 0, 0x05, 1, 2, 3});
    expected.Raw({1, 0, 0xFF, 0xAA});
    EXPECT_EQ(out.Image(), expected.bytes);
    EXPECT_EQ(out.messages.size(), 3u);
    EXPECT_EQ(out.messages[1], u"!(IID=6)对象跳转到自己所在页(双击定位)\r\n");
    EXPECT_EQ(out.messages[2], u"!(PID=9)“Second”是个空页面，这是有意的吗(双击定位)\r\n");
}

TEST(MemoryImage, ColourRecordsAtDepth24AndFreshPerPage)
{
    Workspace ws;
    ProjectDesc p = Project(100, 100, 24);
    PageDesc page;
    ObjectDesc r = Shape("CDrawRect", 1, 0, 0, 5, 5);
    r.fillColor = 0x123456;
    page.objects = {r, r, r};
    PageDesc second = page;
    second.pageId = 1;
    second.name = u"Page 2";
    p.pages = {page, second};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    ByteList pageRecords;
    pageRecords.Color({0x12, 0x34, 0x56, 0xFF});
    for (int i = 0; i < 3; ++i)
        pageRecords.Record(10, 0xFFFF, 0, 0, 0, 0, 4, 4);
    std::vector<uint8_t> image = out.Image();
    const std::vector<uint8_t> tail(image.begin() + 28 + 32, image.end());
    std::vector<uint8_t> twice = pageRecords.bytes;
    twice.insert(twice.end(), pageRecords.bytes.begin(), pageRecords.bytes.end());
    EXPECT_EQ(tail, twice);
    EXPECT_EQ(LoadLE16(image.data() + 28 + 16 + 2), 4); // second page: its own colour record
}

TEST(MemoryImage, PicturesShareBlocksPerPathsAndSize)
{
    Workspace ws;
    const auto red = ws.SolidImage("red.png", 7, 3, Qt::red);
    const auto blue = ws.SolidImage("blue.jpg", 5, 5, Qt::blue);
    ProjectDesc p = Project(8, 4, 16);
    PageDesc page;
    page.backgroundImage = red;
    ObjectDesc both = Shape("CDrawImage", 1, 0, 0, 3, 2);
    both.normalImage = red;
    both.pressedImage = blue;
    ObjectDesc same = both;
    same.objectId = 2;
    ObjectDesc pressedOnly = Shape("CDrawImage", 3, 1, 1, 2, 2);
    pressedOnly.pressedImage = red;
    ObjectDesc otherSize = both;
    otherSize.objectId = 4;
    otherSize.right = 2;
    page.objects = {both, same, pressedOnly, otherSize};
    p.pages = {page};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written) << out.messages.size();
    const std::vector<uint8_t> image = out.Image();
    ASSERT_EQ(LoadLE32(image.data() + 20), 4u); // background, 3x2 pair, 1x1 pressed, 2x2 pair
    const size_t table = LoadLE32(image.data() + 24);
    EXPECT_EQ(table, 28u + 16u);
    const size_t records = table + 4 * 6;
    const uint32_t background = LoadLE32(image.data() + table + 2);
    EXPECT_EQ(background, records + 5 * 20);
    // Background block: 8x4 at depth 16, one frame of pure red (F8 00).
    ByteList bg;
    bg.U16(8).U16(4).U8(0).U8(16).U8(1).U32(0);
    for (int i = 0; i < 32; ++i)
        bg.Raw({0xF8, 0x00});
    EXPECT_TRUE(std::equal(bg.bytes.begin(), bg.bytes.end(), image.begin() + background));
    // The two objects with equal paths and size use one block with both frames.
    const uint32_t pair = LoadLE32(image.data() + table + 6 + 2);
    EXPECT_EQ(LoadLE32(image.data() + records + 20 + 8), pair);
    EXPECT_EQ(LoadLE32(image.data() + records + 40 + 8), pair);
    ByteList pairBlock;
    pairBlock.U16(3).U16(2).U8(0).U8(16).U8(2).U32(0);
    for (int i = 0; i < 6; ++i)
        pairBlock.Raw({0xF8, 0x00});
    pairBlock.U32(0);
    for (int i = 0; i < 6; ++i)
        pairBlock.Raw({0x00, 0x1F});
    EXPECT_TRUE(std::equal(pairBlock.bytes.begin(), pairBlock.bytes.end(), image.begin() + pair));
    EXPECT_EQ(image[LoadLE32(image.data() + table + 12 + 2) + 6], 1); // pressed only: one frame
    EXPECT_EQ(image.size(), records + 5 * 20 + (7 + 4 + 64) + (7 + 2 * (4 + 12)) + (7 + 4 + 2) +
                                (7 + 2 * (4 + 8)));
}

TEST(MemoryImage, PicturePixelsAtDepth24AndScaledToObject)
{
    Workspace ws;
    const auto red = ws.SolidImage("red.png", 40, 30, Qt::red);
    ProjectDesc p = Project(100, 50, 24);
    PageDesc page;
    ObjectDesc picture = Shape("CDrawImage", 1, 0, 0, 100, 50);
    picture.normalImage = red;
    page.objects = {picture};
    p.pages = {page};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const std::vector<uint8_t> image = out.Image();
    const size_t block = LoadLE32(image.data() + 28 + 16 + 2);
    ASSERT_EQ(image.size(), block + 7 + 4 + 100 * 50 * 3);
    for (size_t i = block + 11; i < image.size(); i += 3)
        ASSERT_EQ((std::array{image[i], image[i + 1], image[i + 2]}), (std::array<uint8_t, 3>{0, 0, 0xFF}));
}

TEST(MemoryImage, RelativeImagePathsAreTakenFromTheProjectFolder)
{
    Workspace ws;
    ws.SolidImage("green.png", 2, 2, Qt::green);
    ProjectDesc p = Project(2, 2, 16);
    PageDesc page;
    page.backgroundImage = u"green.png";
    p.pages = {page};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const std::vector<uint8_t> image = out.Image();
    EXPECT_EQ(image[image.size() - 2], 0x07);
    EXPECT_EQ(image[image.size() - 1], 0xE0);
}

TEST(MemoryImage, TextBlocksCarryPreparedTextInCodePage936)
{
    Workspace ws;
    ProjectDesc p = Project(200, 100, 16);
    PageDesc page;
    ObjectDesc ab = Shape("CDrawText", 1, 0, 0, 50, 16);
    ab.lineColor = 0xFFFFFF;
    ab.text = u"AB";
    ObjectDesc tab = ab;
    tab.objectId = 2;
    tab.tabSize = 4;
    tab.text = u"A\tB";
    ObjectDesc chinese = ab;
    chinese.objectId = 3;
    chinese.fontId = 2;
    chinese.charSpacing = 3;
    chinese.lineSpacing = 1;
    chinese.bottom = 60;
    chinese.text = u"中文\r\nx\ny\r\nz"; // third line (y, z) does not fit 2 x 25
    ObjectDesc spaced = ab;
    spaced.objectId = 4;
    spaced.charSpacing = 1; // equal text, other spacing: a block of its own
    ObjectDesc same = ab;
    same.objectId = 5;
    page.objects = {ab, tab, chinese, spaced, same};
    p.pages = {page};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const std::vector<uint8_t> image = out.Image();
    const size_t blocks = 28 + 16 + 6 * 20;
    ByteList expected;
    expected.Raw({1, 0, 0, 'A', 'B', 0, 0});
    expected.Raw({1, 0, 0, 'A', ' ', ' ', ' ', 'B', 0});
    expected.Raw({2, 3, 1, 0xD6, 0xD0, 0xCE, 0xC4, '\n', 'x', '\n', 0});
    expected.Raw({1, 1, 0, 'A', 'B', 0, 0});
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + blocks, image.end()), expected.bytes);
    EXPECT_EQ(LoadLE32(image.data() + 28 + 16 + 20 + 8), blocks);      // white colour first, then text 1
    EXPECT_EQ(LoadLE32(image.data() + 28 + 16 + 5 * 20 + 8), blocks); // object 5 shares it
}

TEST(MemoryImage, DroppedObjectsLeaveNoBlocksAndIdsStay)
{
    Workspace ws;
    const auto red = ws.SolidImage("red.png", 2, 2, Qt::red);
    const auto blue = ws.SolidImage("blue.png", 2, 2, Qt::blue);
    ProjectDesc p = Project(50, 50, 16);
    PageDesc page;
    ObjectDesc gone = Shape("CDrawImage", 1, -10, 0, 0, 10); // right edge at 0: invisible
    gone.normalImage = red;
    gone.send = SendDesc{1, {9}};
    ObjectDesc kept = Shape("CDrawImage", 2, 49, 49, 60, 60); // one pixel on screen
    kept.normalImage = blue;
    ObjectDesc goneText = Shape("CDrawText", 3, 0, 100, 10, 120);
    goneText.text = u"T";
    page.objects = {gone, kept, goneText};
    p.pages = {page};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const std::vector<uint8_t> image = out.Image();
    EXPECT_EQ(LoadLE32(image.data() + 20), 1u);
    EXPECT_EQ(LoadLE16(image.data() + 28 + 16), 0); // index 0 after relocation
    EXPECT_EQ(image.size(), 28 + 16 + 6 + 20 + 7 + 4 + 11 * 11 * 2);
    EXPECT_EQ(out.messages[1], u"!(IID=1)对象不可见，已被剔除(双击定位)\r\n");
    EXPECT_EQ(out.messages[2], u"!(IID=3)对象不可见，已被剔除(双击定位)\r\n");
    EXPECT_EQ(out.messages.size(), 3u);
}

TEST(MemoryImage, DuplicatePageIdsShareTheFirstPagesRecords)
{
    Workspace ws;
    ProjectDesc p = Project(50, 50, 16);
    PageDesc first;
    first.pageId = 3;
    first.objects = {Shape("CDrawCustom", 1, 0, 0, 5, 5)};
    PageDesc twin = first;
    twin.name = u"Twin";
    twin.objects = {};
    PageDesc third;
    third.pageId = 0x20;
    third.name = u"Third";
    ObjectDesc jump = Shape("CDrawCustom", 2, 0, 0, 5, 5);
    jump.jumpTarget = 0x20;
    ObjectDesc back = jump;
    back.jumpTarget = 3;
    third.objects = {jump, back};
    p.pages = {first, twin, third};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const std::vector<uint8_t> image = out.Image();
    EXPECT_EQ(LoadLE16(image.data() + 28 + 16 + 2), 1);
    EXPECT_EQ(LoadLE32(image.data() + 28 + 16 + 4), LoadLE32(image.data() + 28 + 4));
    const size_t thirdRecords = LoadLE32(image.data() + 28 + 32 + 4);
    EXPECT_EQ(LoadLE16(image.data() + thirdRecords + 2), 2);
    EXPECT_EQ(LoadLE16(image.data() + thirdRecords + 20 + 2), 0);
}

TEST(MemoryImage, FailedWriteLeavesNoFileBehind)
{
    Workspace ws;
    ProjectDesc p = Project(10, 10, 16);
    WriteBytes(ws.Path("p.kdp"), BuildProjectFile(p));
    CompileOutcome missingFolder = CompileFile(ws.Path("p.kdp"), ws.Path("no/such/out.kdpbin"));
    EXPECT_FALSE(missingFolder.written);
    EXPECT_NE(missingFolder.failure.find(u"无法写入输出文件"), std::u16string::npos);

    CompileOutcome ok = CompileFile(ws.Path("p.kdp"), ws.Path("out.kdpbin"));
    ASSERT_TRUE(ok.written);
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ws.Path("")))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2u); // the project and the output, no temporary left
}

TEST(MemoryImage, WriterGrowsByTheAppendPlusOneMebibyte)
{
    ImageWriter writer;
    writer.Append(nullptr, 0);
    EXPECT_EQ(writer.Capacity(), 0u);
    const std::vector<uint8_t> ten(10, 1);
    EXPECT_EQ(writer.Append(ten), 0u);
    EXPECT_EQ(writer.Capacity(), 10u + ImageWriter::kGrowStep);
    const std::vector<uint8_t> fits(ImageWriter::kGrowStep, 2); // exactly what is free
    EXPECT_EQ(writer.Append(fits), 10u);
    EXPECT_EQ(writer.Capacity(), 10u + ImageWriter::kGrowStep);
    writer.AppendU8(3);
    EXPECT_EQ(writer.Capacity(), 10u + ImageWriter::kGrowStep + 1 + ImageWriter::kGrowStep);
    EXPECT_EQ(writer.Size(), 11u + ImageWriter::kGrowStep);
    EXPECT_EQ(writer.Data()[9], 1);
    EXPECT_EQ(writer.Data()[10], 2);
}

// A cancel while pictures are converted stops the load and leaves no
// worker behind.
TEST(MemoryImage, CancelDuringPictureConversionStopsTheLoad)
{
    struct CancellingReporter : RecordingReporter {
        void CheckCancel() override { throw CompileAbort{}; }
    };
    Workspace ws;
    ProjectDesc p = Project(300, 200, 24);
    for (int i = 0; i < 6; ++i) {
        PageDesc page;
        page.pageId = uint32_t(i);
        page.backgroundImage = ws.SolidImage("bg" + std::to_string(i) + ".png", 600, 400, QColor(i * 40, 0, 0));
        p.pages.push_back(page);
    }
    WriteBytes(ws.Path("p.kdp"), BuildProjectFile(p));
    CancellingReporter reporter;
    CompileProject project(reporter);
    EXPECT_THROW(project.LoadProject(ws.Path("p.kdp")), CompileAbort);
}

} // namespace
} // namespace kdx::testing

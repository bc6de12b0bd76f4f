#include "tests/compile/pipeline/PipelineHarness.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace kdx::testing {
namespace {

ProjectDesc OnePage(ObjectDesc object)
{
    ProjectDesc p = Project(100, 100, 16);
    PageDesc page;
    page.pageId = 0x1A;
    page.name = u"页一";
    page.objects = {object};
    p.pages = {page};
    return p;
}

std::string Utf8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

CompileOutcome CompileBytes(Workspace& ws, const std::vector<uint8_t>& bytes)
{
    WriteBytes(ws.Path("p.kdp"), bytes);
    return CompileFile(ws.Path("p.kdp"), ws.Path("p.kdpbin"));
}

TEST(LoadMessages, HeaderChecksInOrder)
{
    Workspace ws;
    const std::vector<uint8_t> good = BuildProjectFile(Project(100, 100, 16));
    auto patched = [&](size_t at, uint32_t value, bool reseal) {
        std::vector<uint8_t> bytes = good;
        StoreLE32(bytes.data() + at, value);
        if (reseal)
            SealBytes(bytes);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::u16string message;
    } cases[] = {
        {"empty file", {}, u"*不是KDX触摸工程文件\r\n"},
        {"compiled kind", patched(20, 2, true), u"*不是KDX触摸工程文件\r\n"},
        {"version 1.1", patched(24, 0x00010001, true), u"*版本不正确，无法读取该文件\r\n"},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 208), u"*文件已经损坏\r\n"},
        {"bad seal before bad depth", patched(32, 8, false), u"*文件已经损坏\r\n"},
        {"depth 8", patched(32, 8, true), u"*不支持的屏幕色深\r\n"},
        {"view settings size", patched(208, 25, true), u"*版本不正确，无法读取该文件\r\n"},
    };
    for (const Case& c : cases) {
        CompileOutcome out = CompileBytes(ws, c.bytes);
        EXPECT_FALSE(out.written) << c.what;
        ASSERT_FALSE(out.messages.empty()) << c.what;
        EXPECT_EQ(Utf8(out.Last()), Utf8(c.message)) << c.what;
    }
}

TEST(LoadMessages, UnreadableSendDataNamesPageOrObject)
{
    Workspace ws;
    ProjectDesc p = Project(100, 100, 16);
    PageDesc page;
    page.pageId = 0x2B;
    page.name = u"P";
    p.pages = {page};
    // An empty page ends: id, name, colour, path, load count, unload count, object count.
    std::vector<uint8_t> bytes = BuildProjectFile(p);
    const size_t loadCount = bytes.size() - 6;

    std::vector<uint8_t> load(bytes.begin(), bytes.begin() + loadCount);
    ByteList().U16(5).U32(0).Raw({1, 2}).bytes.swap(bytes); // five bytes announced, two present
    load.insert(load.end(), bytes.begin(), bytes.end());
    SealBytes(load);
    EXPECT_EQ(Utf8(CompileBytes(ws, load).Last()), "*(PID=2B)“P”读取页面的“加卸数据”错误(双击定位)\r\n");

    std::vector<uint8_t> unload = BuildProjectFile(p);
    unload.resize(loadCount + 2);
    ByteList tail;
    tail.U16(4).U32(0).Raw({1});
    unload.insert(unload.end(), tail.bytes.begin(), tail.bytes.end());
    SealBytes(unload);
    EXPECT_EQ(Utf8(CompileBytes(ws, unload).Last()), "*(PID=2B)“P”读取页面的“卸载数据”错误(双击定位)\r\n");

    ObjectDesc custom = Shape("CDrawCustom", 0xBEEF, 0, 0, 5, 5);
    custom.send = SendDesc{0, std::vector<uint8_t>(100, 7)};
    std::vector<uint8_t> object = BuildProjectFile(OnePage(custom));
    object.resize(object.size() - 60); // cut inside the send bytes
    SealBytes(object);
    EXPECT_EQ(Utf8(CompileBytes(ws, object).Last()), "*(IID=BEEF)读取对象的“触摸发送”数据错误(双击定位)\r\n");
}

TEST(LoadMessages, TextErrors)
{
    Workspace ws;
    ObjectDesc text = Shape("CDrawText", 0x11, 0, 0, 50, 50);
    text.rawText = std::vector<uint8_t>{'A', 0, 0};
    EXPECT_EQ(Utf8(ws.Compile(OnePage(text)).Last()), "*(IID=11)读取文本对象错误(双击定位)\r\n");

    text.rawText.reset();
    text.text = u"A";
    text.fontId = 4;
    CompileOutcome badFont = ws.Compile(OnePage(text));
    ASSERT_GE(badFont.messages.size(), 3u);
    EXPECT_EQ(Utf8(badFont.messages[1]), "*不支持的字体\r\n");
    EXPECT_EQ(Utf8(badFont.messages[2]), "*(IID=11)计算文本对象布局错误(双击定位)\r\n");
    EXPECT_FALSE(badFont.written);

    text.fontId = 1;
    text.tabSize = 0x7FFFFFFF;
    text.text = u"\t\t";
    CompileOutcome hugeTabs = ws.Compile(OnePage(text));
    EXPECT_EQ(Utf8(hugeTabs.Last()), "*(IID=11)计算文本对象布局错误(双击定位)\r\n");
    EXPECT_EQ(hugeTabs.messages.size(), 2u);
}

TEST(LoadMessages, PictureErrorsNameTheFirstFailingPath)
{
    Workspace ws;
    ws.SolidImage("ok.png", 3, 3, Qt::red);
    WriteBytes(ws.Path("junk.png"), {1, 2, 3, 4});
    ObjectDesc picture = Shape("CDrawImage", 1, 0, 0, 10, 10);
    picture.normalImage = ws.ImagePath("missing.png");
    picture.pressedImage = ws.ImagePath("junk.png");
    CompileOutcome out = ws.Compile(OnePage(picture));
    EXPECT_EQ(out.Last(), u"*未能加载图象文件“" + picture.normalImage + u"”：文件不存在\r\n");

    picture.normalImage = ws.ImagePath("ok.png");
    out = ws.Compile(OnePage(picture));
    EXPECT_EQ(out.Last(), u"*未能加载图象文件“" + picture.pressedImage + u"”：不是图象文件\r\n");

    // Each reason is named; a NUL in the path does not end the message.
    picture.pressedImage = ws.ImagePath("");
    EXPECT_EQ(ws.Compile(OnePage(picture)).Last(), u"*未能加载图象文件“" + picture.pressedImage + u"”：不是普通文件\r\n");
    picture.pressedImage = ws.ImagePath("ok.png") + u'\0' + u"x";
    EXPECT_EQ(ws.Compile(OnePage(picture)).Last(),
              u"*未能加载图象文件“" + ws.ImagePath("ok.png") + u"\\0x”：文件不存在\r\n");
    std::vector<uint8_t> cut = ReadBytes(ws.Path("ok.png"));
    cut.resize(cut.size() / 2);
    WriteBytes(ws.Path("cut.png"), cut);
    picture.pressedImage = ws.ImagePath("cut.png");
    EXPECT_EQ(ws.Compile(OnePage(picture)).Last(), u"*未能加载图象文件“" + picture.pressedImage + u"”：图象已经损坏\r\n");

    // Sizes no picture block can carry are refused before any conversion.
    picture.pressedImage.clear();
    picture.right = 70000;
    EXPECT_EQ(Utf8(ws.Compile(OnePage(picture)).Last()),
              "*(IID=1)图象对象的尺寸70000 x 10超出终端所能显示的范围(双击定位)\r\n");
    picture.right = 20000;
    picture.bottom = 20000; // 800 MB of pixels
    EXPECT_EQ(Utf8(ws.Compile(OnePage(picture)).Last()),
              "*(IID=1)图象对象的尺寸20000 x 20000超出终端所能显示的范围(双击定位)\r\n");
    ProjectDesc huge = Project(65535, 65535, 24);
    PageDesc page;
    page.pageId = 3;
    page.name = u"Big";
    page.backgroundImage = picture.normalImage;
    huge.pages = {page};
    EXPECT_EQ(Utf8(ws.Compile(huge).Last()),
              "*(PID=3)“Big”的背景图象尺寸65535 x 65535超出终端所能显示的范围(双击定位)\r\n");
}

TEST(LoadMessages, DamagedArchivesFailWithADescription)
{
    Workspace ws;
    std::vector<uint8_t> unknown = BuildProjectFile(OnePage(Shape("CDrawRect", 1, 0, 0, 5, 5)));
    const std::string name = "CDrawRect";
    auto at = std::search(unknown.begin(), unknown.end(), name.begin(), name.end());
    *(at + 5) = 'X'; // "CDrawXect"
    SealBytes(unknown);
    CompileOutcome out = CompileBytes(ws, unknown);
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.failure), "工程文件中有未知的对象类型“CDrawXect”");

    std::vector<uint8_t> cut = BuildProjectFile(OnePage(Shape("CDrawRoundRect", 1, 0, 0, 5, 5)));
    cut.pop_back();
    SealBytes(cut);
    out = CompileBytes(ws, cut);
    EXPECT_EQ(Utf8(out.failure), "读取页面(PID=1A)“页一”的第1个对象时工程文件意外结束");
}

TEST(LoadMessages, OptimiseWarningsInOrder)
{
    Workspace ws;
    ProjectDesc p = Project(100, 100, 16);
    PageDesc page;
    page.pageId = 5;
    page.name = u"W";
    ObjectDesc offAndSelf = Shape("CDrawEllipse", 1, 100, 0, 120, 10); // left edge at the screen's right
    offAndSelf.jumpTarget = 5;
    ObjectDesc emptyText = Shape("CDrawText", 2, 0, 0, 50, 10); // lower than one 16-pixel line
    emptyText.text = u"x";
    ObjectDesc noImage = Shape("CDrawImage", 3, 0, 0, 0, 10);
    noImage.normalImage = u"never-read.png"; // no area: no picture, no error
    ObjectDesc line = Shape("CDrawLine", 0, -50, -50, -10, -10); // lines are always kept
    line.lineColor = 0;
    page.objects = {offAndSelf, emptyText, noImage};
    PageDesc lines = page;
    lines.pageId = 6;
    lines.objects = {line};
    p.pages = {page, lines};
    CompileOutcome out = ws.Compile(p);
    ASSERT_TRUE(out.written);
    const std::vector<std::u16string> expected = {
        u"!(IID=1)对象不可见，已被剔除(双击定位)\r\n",
        u"!(IID=1)对象跳转到自己所在页(双击定位)\r\n",
        u"!(IID=2)对象无内容，已被剔除(双击定位)\r\n",
        u"!(IID=3)对象不可见，已被剔除(双击定位)\r\n",
        u"!(IID=3)对象无内容，已被剔除(双击定位)\r\n",
        u"!(PID=5)“W”是个空页面，这是有意的吗(双击定位)\r\n",
    };
    ASSERT_EQ(out.messages.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Utf8(out.messages[i + 1]), Utf8(expected[i]));
}

TEST(LoadMessages, FailedLookupsStopTheCompile)
{
    Workspace ws;
    ObjectDesc jump = Shape("CDrawCustom", 1, 0, 0, 5, 5);
    jump.jumpTarget = 0x77;
    CompileOutcome out = ws.Compile(OnePage(jump));
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.Last()), "*发生未知错误，无法匹配页面对象，请检查页面标识符\r\n");

    ProjectDesc noId = Project(10, 10, 16);
    PageDesc page;
    page.pageId = 0xFFFF;
    noId.pages = {page};
    EXPECT_EQ(Utf8(ws.Compile(noId).Last()), "*发生未知错误，无法匹配页面对象，请检查页面标识符\r\n");
}

TEST(LoadMessages, SixteenBitLimitsAreRefusedNamingThePage)
{
    Workspace ws;
    ProjectDesc manyPages = Project(10, 10, 16);
    manyPages.pages.resize(65536);
    for (size_t i = 0; i < manyPages.pages.size(); ++i) {
        manyPages.pages[i].pageId = uint32_t(i % 65535);
        manyPages.pages[i].objects = {Shape("CDrawCustom", uint32_t(i + 1), 0, 0, 5, 5)};
    }
    manyPages.pages.back().name = u"Last";
    CompileOutcome out = ws.Compile(manyPages);
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.Last()), "*(PID=0)“Last”超出了终端最多65535个页面的限制(双击定位)\r\n");

    ProjectDesc manyRecords = Project(10, 10, 16);
    PageDesc crowded;
    crowded.pageId = 0x42;
    crowded.name = u"Crowded";
    crowded.objects.assign(65536, Shape("CDrawCustom", 1, 0, 0, 5, 5));
    manyRecords.pages = {crowded};
    out = ws.Compile(manyRecords);
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.Last()), "*(PID=42)“Crowded”的绘图记录超出了终端最多65535条的限制(双击定位)\r\n");
}

TEST(LoadMessages, PageIdsAboveSixteenBitsAreRefused)
{
    // Cut to 16 bits, page 0x10001 would be page 1 and take its jumps.
    Workspace ws;
    ProjectDesc project = Project(100, 100, 16);
    PageDesc first;
    first.pageId = 1;
    first.name = u"One";
    PageDesc second;
    second.pageId = 0x10001;
    second.name = u"Aliased";
    ObjectDesc jump = Shape("CDrawCustom", 1, 0, 0, 10, 10);
    jump.jumpTarget = 0x10001;
    second.objects = {jump};
    project.pages = {first, second};
    CompileOutcome out = ws.Compile(project);
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.Last()), "*(PID=10001)“Aliased”页面标识超出范围（最大为FFFF）(双击定位)\r\n");

    // The largest id that fits still compiles.
    project.pages[1].pageId = 0xFFFE;
    project.pages[1].objects[0].jumpTarget = 0xFFFE;
    EXPECT_TRUE(ws.Compile(project).written);
}

TEST(LoadMessages, ValuesTheTerminalCannotHoldAreRefusedAtLoad)
{
    // Records hold coordinates in 16 bits (right and bottom inclusive) and
    // the radius unsigned: what does not fit would reach the terminal as a
    // different shape.
    Workspace ws;
    const std::string outOfRange = "*(IID=7)对象的坐标超出终端所能表示的范围（-32768～32767）(双击定位)\r\n";
    for (auto [l, t, r, b] : {std::array{0, 0, 2000000000, 2000000000}, std::array{-32769, 0, 10, 10},
                              std::array{0, 0, 10, 32769}}) {
        CompileOutcome out = ws.Compile(OnePage(Shape("CDrawRect", 7, l, t, r, b)));
        EXPECT_FALSE(out.written) << l << " " << r << " " << b;
        EXPECT_EQ(Utf8(out.Last()), outOfRange);
    }
    ObjectDesc round = Shape("CDrawRoundRect", 9, 0, 0, 50, 50);
    round.fillColor = 0xFF;
    round.extra = uint32_t(-12);
    CompileOutcome out = ws.Compile(OnePage(round));
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.Last()), "*(IID=9)圆角矩形的圆角半径-12不能为负数(双击定位)\r\n");
    ObjectDesc line = Shape("CDrawLine", 0, 5, 5, 40000, 5);
    line.lineColor = 0xFF;
    out = ws.Compile(OnePage(line));
    EXPECT_FALSE(out.written);
    EXPECT_EQ(Utf8(out.Last()), "*(PID=1A)“页一”中直线的坐标超出终端所能表示的范围（-32768～32767）(双击定位)\r\n");

    // The widest values that fit still compile.
    ObjectDesc widest = Shape("CDrawRect", 7, -32768, -32768, 32768, 32768);
    widest.fillColor = 0xFF;
    EXPECT_TRUE(ws.Compile(OnePage(widest)).written);
    line.right = 32767;
    line.left = -32768;
    EXPECT_TRUE(ws.Compile(OnePage(line)).written);

    // A screen of no width would cull every object.
    for (auto [w, h] : {std::pair{0, 100}, std::pair{100, 0}}) {
        out = ws.Compile(Project(w, h, 16));
        EXPECT_FALSE(out.written);
        EXPECT_EQ(Utf8(out.Last()), "*不支持的屏幕分辨率" + std::to_string(w) + " x " + std::to_string(h) + "\r\n");
    }
    EXPECT_TRUE(ws.Compile(Project(1, 1, 16)).written);
}

// A PNG file of the given size without pixel data: enough to tell its size.
std::vector<uint8_t> PngWithoutPixels(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        for (int shift : {24, 16, 8, 0})
            file.push_back(uint8_t(data.size() >> shift));
        std::vector<uint8_t> typed(type, type + 4);
        typed.insert(typed.end(), data.begin(), data.end());
        file.insert(file.end(), typed.begin(), typed.end());
        const uint32_t crc = ComputeCrc32(typed);
        for (int shift : {24, 16, 8, 0})
            file.push_back(uint8_t(crc >> shift));
    };
    std::vector<uint8_t> header;
    for (uint32_t v : {width, height})
        for (int shift : {24, 16, 8, 0})
            header.push_back(uint8_t(v >> shift));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    chunk("IHDR", header);
    chunk("IDAT", {});
    chunk("IEND", {});
    return file;
}

TEST(LoadMessages, LargePicturesDecodeAndTooLargeOnesSaySo)
{
    Workspace ws;
    {
        // 6000 x 6000 decodes to 144 MB, more than the image library allows
        // by default.
        QImage big(6000, 6000, QImage::Format_RGB888);
        big.fill(Qt::blue);
        ASSERT_TRUE(big.save(QString::fromStdString(ws.Path("big.png")), "PNG", 90));
    }
    ObjectDesc picture = Shape("CDrawImage", 1, 0, 0, 10, 10);
    picture.normalImage = ws.ImagePath("big.png");
    CompileOutcome out = ws.Compile(OnePage(picture));
    EXPECT_TRUE(out.written) << Utf8(out.Last());

    // 9000 x 9000 would take 324 MB: refused by its size, which is named.
    WriteBytes(ws.Path("huge.png"), PngWithoutPixels(9000, 9000));
    picture.normalImage = ws.ImagePath("huge.png");
    out = ws.Compile(OnePage(picture));
    EXPECT_FALSE(out.written);
    EXPECT_EQ(out.Last(), u"*图象文件“" + picture.normalImage + u"”过大（9000 x 9000像素），无法加载\r\n");
}

} // namespace
} // namespace kdx::testing

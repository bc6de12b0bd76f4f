#include "tests/compile/pipeline/PipelineHarness.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

QString RunDump(const std::string& path)
{
    QProcess dump;
    dump.start(QStringLiteral(KDX_BIN_DIR "/kdx"), {QStringLiteral("dump"), QString::fromStdString(path)});
    EXPECT_TRUE(dump.waitForFinished(30000));
    return QString::fromUtf8(dump.readAllStandardOutput());
}

TEST(DumpCompiled, ListsRecordsAndFollowsOffsets)
{
    Workspace ws;
    const auto red = ws.SolidImage("red.png", 2, 2, Qt::red);
    ProjectSpec p = Project(64, 32, 16);
    PageSpec first;
    first.pageId = 4;
    first.backgroundImage = red;
    first.loadSend = SendSpec{7, {0xDE, 0xAD}};
    ObjectSpec text = Shape("CDrawText", 1, 0, 0, 64, 16);
    text.lineColor = 0xFF;
    text.text = u"中A";
    text.jumpTarget = 9;
    PageSpec second;
    second.pageId = 9;
    second.name = u"Two";
    first.objects = {text};
    second.objects = {Shape("CDrawCustom", 2, 0, 0, 8, 8)};
    p.pages = {first, second};
    ASSERT_TRUE(ws.Compile(p).written);

    const QString listing = RunDump(ws.Path("p.kdpbin"));
    EXPECT_TRUE(listing.contains("seal")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("valid"));
    EXPECT_TRUE(listing.contains("[0] id 4: 3 records"));
    EXPECT_TRUE(listing.contains("load send @"));
    EXPECT_TRUE(listing.contains(QString::fromUtf16(u"text font 1, character spacing 0, line spacing 0: \"中A\\0\\0\"")));
    EXPECT_TRUE(listing.contains("jump page 1 (id 9)"));
    EXPECT_TRUE(listing.contains("picture 64 x 32, depth 16, 1 frames"));
    EXPECT_TRUE(listing.contains("send 2 bytes, tag 0x07: DE AD"));

    std::vector<uint8_t> damaged = ReadBytes(ws.Path("p.kdpbin"));
    damaged.back() ^= 1;
    WriteBytes(ws.Path("damaged.kdpbin"), damaged);
    EXPECT_TRUE(RunDump(ws.Path("damaged.kdpbin")).contains("DAMAGED"));
}

} // namespace
} // namespace kdx::testing

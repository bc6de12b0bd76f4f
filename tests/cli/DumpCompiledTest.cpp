#include "tests/compile/pipeline/PipelineHarness.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <random>

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
    ProjectDesc p = Project(64, 32, 16);
    PageDesc first;
    first.pageId = 4;
    first.backgroundImage = red;
    first.loadSend = SendDesc{7, {0xDE, 0xAD}};
    ObjectDesc text = Shape("CDrawText", 1, 0, 0, 64, 16);
    text.lineColor = 0xFF;
    text.text = u"中A";
    text.jumpTarget = 9;
    PageDesc second;
    second.pageId = 9;
    second.name = u"Two";
    first.objects = {text};
    ObjectDesc leftOfScreen = Shape("CDrawRect", 3, -20, -10, 4, 4);
    leftOfScreen.fillColor = 0xFF;
    second.objects = {Shape("CDrawCustom", 2, 0, 0, 8, 8), leftOfScreen};
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
    EXPECT_TRUE(listing.contains("filled rect (-20,-10)-(3,3)")) << listing.toStdString(); // signed, as the terminal takes them

    std::vector<uint8_t> damaged = ReadBytes(ws.Path("p.kdpbin"));
    damaged.back() ^= 1;
    WriteBytes(ws.Path("damaged.kdpbin"), damaged);
    EXPECT_TRUE(RunDump(ws.Path("damaged.kdpbin")).contains("DAMAGED"));
}

// Damaged images are listed as far as they go, never with a crash.
TEST(DumpCompiled, SurvivesGarbageInTheImage)
{
    Workspace ws;
    ProjectDesc p = Project(64, 32, 24);
    PageDesc page;
    ObjectDesc text = Shape("CDrawText", 1, 0, 0, 64, 16);
    text.text = u"A";
    text.send = SendDesc{1, {1, 2}};
    page.objects = {text, Shape("CDrawCustom", 2, 0, 0, 8, 8)};
    p.pages = {page};
    ASSERT_TRUE(ws.Compile(p).written);
    const std::vector<uint8_t> good = ReadBytes(ws.Path("p.kdpbin"));
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> bad = good;
        for (int i = 0; i < 1 + round % 5; ++i)
            bad[FileHeader::kSize + random() % (bad.size() - FileHeader::kSize)] = uint8_t(random());
        if (round % 7 == 0)
            bad.resize(FileHeader::kSize + random() % (bad.size() - FileHeader::kSize));
        WriteBytes(ws.Path("bad.kdpbin"), bad);
        QProcess dump;
        dump.start(QStringLiteral(KDX_BIN_DIR "/kdx"), {QStringLiteral("dump"), QString::fromStdString(ws.Path("bad.kdpbin"))});
        ASSERT_TRUE(dump.waitForFinished(30000));
        ASSERT_EQ(dump.exitStatus(), QProcess::NormalExit) << "round " << round;
    }
}

} // namespace
} // namespace kdx::testing

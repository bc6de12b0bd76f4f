// kdx convert and kdx dump on project files.
#include "tests/support/ProgramRun.h"
#include "tests/support/ProjectBuilder.h"
#include "tests/support/SampleFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::test;

namespace {

const QString kExampleDir = QStringLiteral(KDX_SOURCE_DIR "/examples/demo");


} // namespace

TEST(Commands, ConvertWritesThePlainForm)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    WriteFileBytes(PathIn(d, "in.kdp"), SampleProject(true));
    ProgramRun run = RunProgram("kdx", {"convert", d.filePath("in.kdp"), d.filePath("out.kdp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFileBytes(PathIn(d, "out.kdp")), SampleProject());

    std::vector<uint8_t> damaged = SampleProject();
    damaged.back() ^= 0xFF;
    WriteFileBytes(PathIn(d, "bad.kdp"), damaged);
    run = RunProgram("kdx", {"convert", d.filePath("bad.kdp"), d.filePath("out2.kdp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QString::fromUtf16(u"文件已经损坏"))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(d.filePath("out2.kdp")));
}

TEST(Commands, DumpListsEveryField)
{
    ProgramRun run = RunProgram("kdx", {"dump", kExampleDir + "/demo.kdp"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n');
    for (const char16_t* expected :
         {u"header.colorDepth 16", u"header.remark \"示例工程\"", u"pages 4", u"  name \"主页\"",
          u"  backgroundImage \"background.png\"", u"  loadSend length=4 tag=0x00000000 bytes=AA 10 01 55",
          u"    text \"16点阵：\\t制表\\t对齐\\r\\n第二行文字\\0\"", u"    pressedImage \"button_pressed.png\"",
          u"    line 20 60 200 20", u"    customId 1"})
        EXPECT_TRUE(lines.contains(QString::fromUtf16(expected))) << QString::fromUtf16(expected).toStdString();
}

TEST(Commands, DumpShowsUnpairedSurrogatesAsReplacementCharacters)
{
    QTemporaryDir dir;
    kdx::testing::ProjectDesc project;
    kdx::testing::PageDesc page;
    page.name = std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00) + u"\U0001F600";
    project.pages.push_back(page);
    WriteFileBytes(PathIn(QDir(dir.path()), "s.kdp"), kdx::testing::BuildProjectFile(project));

    ProgramRun run = RunProgram("kdx", {"dump", dir.filePath("s.kdp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.toUtf8().contains("  name \"a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xF0\x9F\x98\x80\"\n"))
        << run.out.toStdString();
}

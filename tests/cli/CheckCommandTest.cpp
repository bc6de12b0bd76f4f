// kdx check as users and CI systems run it.
#include "tests/support/ProgramRun.h"
#include "tests/support/ProjectBuilder.h"
#include "tests/support/SampleFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::test;
using namespace kdx::testing;

namespace {

const QString kExample = QStringLiteral(KDX_SOURCE_DIR "/examples/demo/demo.kdp");

// One page "主页" (id 3) whose area 7 jumps to a page that does not exist,
// and a rectangle 8 that leaves the screen.
QString BrokenProject(const QDir& dir)
{
    ProjectDesc project;
    PageDesc page;
    page.pageId = 3;
    page.name = u"主页";
    page.backgroundColor = 0;
    ObjectDesc jump = Shape("CDrawCustom", 7, 0, 0, 50, 50);
    jump.jumpTarget = 12;
    page.objects.push_back(jump);
    ObjectDesc wide = Shape("CDrawRect", 8, 400, 0, 500, 50);
    wide.lineColor = 0xFF;
    page.objects.push_back(wide);
    project.pages.push_back(page);
    const QString path = dir.filePath("broken.kdp");
    WriteFileBytes(path.toStdString(), BuildProjectFile(project));
    return path;
}

} // namespace

TEST(CheckCommand, ExampleHasNoError)
{
    const ProgramRun run = RunProgram("kdx", {"check", kExample});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(": error: ")) << run.out.toStdString();
}

TEST(CheckCommand, FindingsAreLocatedLinesAndErrorsExitWithOne)
{
    QTemporaryDir dir;
    const QString path = BrokenProject(QDir(dir.path()));
    const ProgramRun run = RunProgram("kdx", {"check", path});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(path + QString::fromUtf16(u":page 3 \"主页\":object 7: error: "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(path + QString::fromUtf16(u":page 3 \"主页\":object 8: warning: "))) << lines[1].toStdString();

    // Only warnings left: exit 0.
    const ProgramRun relaxed = RunProgram("kdx", {"check", "--disable", "jump-target", path});
    EXPECT_EQ(relaxed.exitCode, 0);
    EXPECT_EQ(relaxed.out.count('\n'), 1) << relaxed.out.toStdString();
}

TEST(CheckCommand, JsonHoldsEveryFinding)
{
    QTemporaryDir dir;
    const ProgramRun run = RunProgram("kdx", {"check", "--json", BrokenProject(QDir(dir.path()))});
    EXPECT_EQ(run.exitCode, 1);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(root["errors"].toInt(), 1);
    EXPECT_EQ(root["warnings"].toInt(), 1);
    const QJsonObject first = root["findings"].toArray().at(0).toObject();
    EXPECT_EQ(first["rule"].toString(), "jump-target");
    EXPECT_EQ(first["level"].toString(), "error");
    EXPECT_EQ(first["page"].toInt(), 3);
    EXPECT_EQ(first["pageName"].toString(), QString::fromUtf16(u"主页"));
    EXPECT_EQ(first["object"].toInt(), 7);
}

TEST(CheckCommand, ProjectSettingsFileSwitchesRulesOff)
{
    QTemporaryDir dir;
    const QString path = BrokenProject(QDir(dir.path()));
    WriteFileBytes(dir.filePath(".kdpcheck").toStdString(), {'o', 'f', 'f', '-', 's', 'c', 'r', 'e', 'e', 'n', '\n'});
    const ProgramRun run = RunProgram("kdx", {"check", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.count('\n'), 1) << run.out.toStdString();

    WriteFileBytes(dir.filePath(".kdpcheck").toStdString(), {'n', 'o', 'p', 'e', '\n'});
    const ProgramRun bad = RunProgram("kdx", {"check", path});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(".kdpcheck:1:1:")) << bad.err.toStdString();
}

TEST(CheckCommand, UnreadableProjectsAndBadArgumentsExitWithTwo)
{
    QTemporaryDir dir;
    WriteFileBytes(dir.filePath("junk.kdp").toStdString(), {1, 2, 3});
    for (const QStringList& args : {QStringList{"check", dir.filePath("junk.kdp")}, QStringList{"check", dir.filePath("none.kdp")},
                                    QStringList{"check"}, QStringList{"check", "--disable", "no-rule", kExample},
                                    QStringList{"check", "--memory", "lots", kExample}}) {
        const ProgramRun run = RunProgram("kdx", args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
        EXPECT_TRUE(run.out.isEmpty());
    }
    const ProgramRun help = RunProgram("kdx", {"check", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("picture-duplicate"));
}

TEST(CheckCommand, MemoryLimitIsAnError)
{
    const ProgramRun run = RunProgram("kdx", {"check", "--memory", "1000", kExample});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("[memory-size]")) << run.out.toStdString();
    EXPECT_EQ(RunProgram("kdx", {"check", "--memory", "100000000", kExample}).exitCode, 0);
}

// kdx simulate as CI systems run it: the example project under its script,
// failures with their lines, a JUnit report and scripts with errors.
#include "tests/support/ProgramRun.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

using namespace kdx::test;

namespace {

const QString kExampleDir = QStringLiteral(KDX_SOURCE_DIR "/examples/demo");

// A JUnit report as read back: each test case's line and whether it failed.
struct Report {
    bool wellFormed = false;
    std::vector<std::pair<int, bool>> cases;
    int Failures() const { return int(std::count_if(cases.begin(), cases.end(), [](auto& c) { return c.second; })); }
};

Report ReadReport(const QString& path)
{
    Report report;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("testcase"))
            report.cases.push_back({xml.attributes().value("line").toInt(), false});
        else if (xml.name() == QLatin1String("failure") && !report.cases.empty())
            report.cases.back().second = true;
    }
    report.wellFormed = !xml.hasError();
    return report;
}

class Simulate : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = dir.filePath("demo.kdpbin");
        const ProgramRun run = RunProgram("kdx", {"compile", kExampleDir + "/demo.kdp", image});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
    }

    QString Script(const QByteArray& text)
    {
        const QString path = dir.filePath("t.kdsim");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
    QString image;
};

} // namespace

TEST_F(Simulate, ExampleScriptPasses)
{
    const QString junit = dir.filePath("report.xml");
    const ProgramRun run = RunProgram("kdx", {"simulate", "--junit", junit, image, kExampleDir + "/demo.kdsim"});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const Report report = ReadReport(junit);
    EXPECT_TRUE(report.wellFormed);
    EXPECT_GT(report.cases.size(), 20u);
    EXPECT_EQ(report.Failures(), 0);
}

TEST_F(Simulate, FailuresPrintLineExpectedAndActualAndReachTheReport)
{
    const QString junit = dir.filePath("report.xml");
    const ProgramRun run =
        RunProgram("kdx", {"simulate", image, Script("# x\nexpect page 3\ntouch 100 190\nexpect sent touch AA 01 56\n"), "--junit", junit});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(QString::fromUtf16(u"t.kdsim:2: 失败：expect page 3\n  期望：页面 3\n  实际：页面 0"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QString::fromUtf16(u"t.kdsim:4: 失败：expect sent touch AA 01 56\n  期望：发送 touch AA 01 56\n  实际：发送 touch AA 01 55")))
        << run.out.toStdString();
    const Report report = ReadReport(junit);
    EXPECT_TRUE(report.wellFormed);
    EXPECT_EQ(report.cases, (std::vector<std::pair<int, bool>>{{2, true}, {4, true}}));
}

TEST_F(Simulate, BadScriptsAndFilesExitWithTwo)
{
    ProgramRun run = RunProgram("kdx", {"simulate", image, Script("touch 1 2\nwait soon\n")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("t.kdsim:2:6:")) << run.err.toStdString();
    run = RunProgram("kdx", {"simulate", kExampleDir + "/demo.kdp", Script("wait 1\n")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_EQ(RunProgram("kdx", {"simulate", image}).exitCode, 2);
    EXPECT_EQ(RunProgram("kdx", {"simulate", image, dir.filePath("none.kdsim")}).exitCode, 2);
    EXPECT_EQ(RunProgram("kdx", {"simulate", "--help"}).exitCode, 0);
}

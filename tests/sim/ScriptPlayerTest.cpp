// KDX_TS --script: a test script played visibly in the simulator window,
// with the rules and messages of kdx simulate.
#include "compile/CompileProject.h"
#include "compile/CompileReporter.h"
#include "sim/ScriptPlayer.h"
#include "sim/SimulatorWindow.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kdx;

namespace {

class QuietCompile : public CompileReporter {
public:
    void EmitMessage(std::u16string_view) override {}
    void CheckCancel() override {}
};

} // namespace

class ScriptPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QuietCompile reporter;
        CompileProject compile(reporter);
        compile.LoadProject(KDX_SOURCE_DIR "/examples/demo/demo.kdp");
        compile.Optimize();
        compile.BuildMemoryImage();
        compile.Relocate();
        m_file = m_dir.filePath("demo.kdpbin");
        compile.WriteOutput(m_file.toStdString());
    }

    void playsTheScriptInTheWindowAndLogsFailures()
    {
        sim::SimulatorWindow window;
        render::Script script;
        QVERIFY(!render::ParseScript("expect page 0\ntouch 100 190 20\nexpect sent touch AA 01 55\nexpect page 3\n", script));
        sim::ScriptPlayer player(window, std::move(script), QStringLiteral("t.kdsim"));
        player.SetStepPause(0);
        QSignalSpy done(&player, &sim::ScriptPlayer::Done);
        player.Start(); // before the image runs: waits for it
        QVERIFY(window.OpenFile(m_file));
        QVERIFY(done.wait(10000));
        QCOMPARE(done.at(0).at(0).toInt(), 1);
        QCOMPARE(window.Session()->CurrentPage(), 1);
        const QString log = window.LogText();
        QVERIFY2(log.contains(QString::fromUtf16(u"脚本第2行：touch 100 190 20")), qPrintable(log));
        QVERIFY2(log.contains(QString::fromUtf16(u"t.kdsim:4: 失败：expect page 3\n")), qPrintable(log));
        QVERIFY2(log.contains(QString::fromUtf16(u"  实际：页面 1")), qPrintable(log));
        QVERIFY(!log.contains(QString::fromUtf16(u"t.kdsim:3:")));
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

QTEST_MAIN(ScriptPlayerTest)
#include "ScriptPlayerTest.moc"

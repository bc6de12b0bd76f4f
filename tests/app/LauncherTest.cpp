#include "LauncherTest.h"

#include "AppTestSupport.h"
#include "app/frame/CAppFrame.h"
#include "app/panes/CPaneCompile.h"
#include "app/frame/Commands.h"
#include "app/frame/CMyStatusBar.h"
#include "app/frame/Launcher.h"
#include "model/PageDoc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTest>

#include <unistd.h>

namespace kdx::test {

void LauncherTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    oldPath_ = qEnvironmentVariable("PATH");
    oldCurrent_ = QDir::currentPath();
    for (const char* sub : {"cwd", "path1", "path2"})
        QVERIFY(QDir(dir_->path()).mkpath(QString::fromLatin1(sub)));
    qputenv("PATH", (dir_->filePath(QStringLiteral("path1")) + u':' + dir_->filePath(QStringLiteral("path2"))).toLocal8Bit());
    QVERIFY(QDir::setCurrent(dir_->filePath(QStringLiteral("cwd"))));
}

void LauncherTest::cleanup()
{
    qputenv("PATH", oldPath_.toLocal8Bit());
    QDir::setCurrent(oldCurrent_);
}

QString LauncherTest::WriteScript(const QString& folder, const QString& name, const QString& body)
{
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void LauncherTest::searchesExecutableFolderThenCurrentThenPath()
{
    const QString name = QStringLiteral("KDX_SEARCH_PROBE_%1").arg(QCoreApplication::applicationPid());
    const QString cwd = dir_->filePath(QStringLiteral("cwd"));
    QCOMPARE(FindProgram(name), QString());

    // A file that is not executable does not count.
    const QString second = WriteScript(dir_->filePath(QStringLiteral("path2")), name);
    const QString first = WriteScript(dir_->filePath(QStringLiteral("path1")), name);
    QFile::setPermissions(first, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(FindProgram(name), second);
    QFile::setPermissions(first, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(FindProgram(name), first);

    const QString current = WriteScript(cwd, name);
    QCOMPARE(FindProgram(name), current);

    const QString own = WriteScript(QCoreApplication::applicationDirPath(), name);
    QVERIFY(!own.isEmpty());
    QCOMPARE(FindProgram(name), own);
    QFile::remove(own);
}

void LauncherTest::startsProgramDetachedWithoutArguments()
{
    // The program records its arguments and working folder, then lingers:
    // the launch must return at once without waiting for it.
    // It is an independent program: a session of its own (a hang-up of the
    // editor's terminal does not end it), no standard output of the editor,
    // and the status bar says it keeps running.
    const QString record = dir_->filePath(QStringLiteral("record.txt"));
    WriteScript(dir_->filePath(QStringLiteral("path1")), QStringLiteral("KDX_TU"),
                QStringLiteral("read -r pid name state ppid group session rest < /proc/$$/stat\n"
                               "echo \"$#|$(pwd)|$session|$(/bin/readlink /proc/$$/fd/1)\" > '%1.new'\n"
                               "/bin/mv '%1.new' '%1'\n/bin/sleep 2")
                    .arg(record));
    TestFrame frame;
    ModalDriver driver;
    driver.Run([&] { frame.ExecuteCommand(ID_PROJECT_UPLOAD); });
    QCOMPARE(driver.boxes.size(), size_t(0));
    QCOMPARE(frame.StatusBar()->MessageText(), QStringLiteral("已启动“KDX_TU”：它是独立的窗口，关闭编辑器后仍继续运行"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 5000);
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList fields = QString::fromUtf8(file.readAll()).trimmed().split(u'|');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields[0] + u'|' + fields[1], QStringLiteral("0|") + QDir(dir_->filePath(QStringLiteral("cwd"))).canonicalPath());
    QVERIFY(fields[2].toLong() != long(getsid(0)));
    QCOMPARE(fields[3], QStringLiteral("/dev/null"));
}

void LauncherTest::missingProgramShowsItsName()
{
    if (!FindProgram(QStringLiteral("KDX_TS")).isEmpty() || !FindProgram(QStringLiteral("KDX_TU")).isEmpty())
        QSKIP("a program of that name lies beside the test");
    TestFrame frame;
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok).Answer(QMessageBox::Ok);
    driver.Run([&] {
        frame.ExecuteCommand(ID_PROJECT_UPLOAD);
        frame.ExecuteCommand(ID_PROJECT_SIMULATE);
    });
    QCOMPARE(driver.boxes.size(), size_t(2));
    QCOMPARE(driver.boxes[0].text, QStringLiteral("未能加载上传组件，请确保“KDX_TU”在当前目录"));
    QCOMPARE(driver.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(driver.boxes[1].text, QStringLiteral("未能加载模拟组件，请确保“KDX_TS”在当前目录"));

    // A file of that name that cannot be run counts as missing too.
    const QString broken = dir_->filePath(QStringLiteral("cwd/KDX_TS"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!LaunchDetached(QStringLiteral("KDX_TS")));
}

void LauncherTest::uploadAndSimulateTakeTheLastCompiledFile()
{
    const QString record = dir_->filePath(QStringLiteral("record.txt"));
    for (const char* name : {"KDX_TU", "KDX_TS"})
        WriteScript(dir_->filePath(QStringLiteral("path1")), QString::fromLatin1(name),
                    QStringLiteral("echo \"${0##*/} $#|$1\" >> '%1'").arg(record));
    TestFrame frame;
    frame.saveAnswer = dir_->filePath(QStringLiteral("g.kdp"));
    frame.compileAnswer = dir_->filePath(QStringLiteral("g.kdpbin"));
    frame.Document().AddPage();
    frame.CreateCompilePane()->SetCompilerPath(QStringLiteral(KDX_BIN_DIR "/KDX_TC"));
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QVERIFY(QTest::qWaitFor([&] { return !frame.CompilePane()->IsCompiling(); }, 60000));
    QVERIFY(QFileInfo(frame.compileAnswer).isFile());
    frame.ExecuteCommand(ID_PROJECT_UPLOAD);
    frame.ExecuteCommand(ID_PROJECT_SIMULATE);
    // Without the file (removed since), the programs ask for one themselves.
    QFile::remove(frame.compileAnswer);
    frame.ExecuteCommand(ID_PROJECT_UPLOAD);
    const QStringList expected{QStringLiteral("KDX_TU 1|") + frame.compileAnswer,
                               QStringLiteral("KDX_TS 1|") + frame.compileAnswer, QStringLiteral("KDX_TU 0|")};
    const auto lines = [&] {
        QFile file(record);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                              : QStringList();
    };
    QTRY_VERIFY_WITH_TIMEOUT(lines().size() == 3, 5000);
    QStringList got = lines();
    got.sort();
    QStringList want = expected;
    want.sort();
    QCOMPARE(got, want);
}

void LauncherTest::fileTypesAreRecognised()
{
    // The mime database was pointed at the source's type definitions
    // before the application started.
    const QString project = dir_->filePath(QStringLiteral("p.kdp"));
    WriteProject(project, 480, 272, 16, 1);
    QMimeDatabase db;
    QCOMPARE(db.mimeTypeForFile(project).name(), QStringLiteral("application/x-kdx-project"));
    QCOMPARE(db.mimeTypeForFile(QStringLiteral("x.kdpbin"), QMimeDatabase::MatchExtension).name(),
             QStringLiteral("application/x-kdx-compiled"));

    // By content: a project renamed without extension, and a compiled header.
    QFile file(project);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    QCOMPARE(db.mimeTypeForData(bytes).name(), QStringLiteral("application/x-kdx-project"));
    bytes[20] = 2;
    QCOMPARE(db.mimeTypeForData(bytes).name(), QStringLiteral("application/x-kdx-compiled"));
}

} // namespace kdx::test

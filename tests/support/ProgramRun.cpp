#include "tests/support/ProgramRun.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace kdx::test {

ProgramRun RunProgram(const QString& program, const QStringList& args, int limitMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(KDX_BIN_DIR "/") + program, args);
    ProgramRun run;
    run.finished = process.waitForFinished(limitMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

std::string PathIn(const QDir& dir, const QString& name) { return dir.filePath(name).toStdString(); }

} // namespace kdx::test

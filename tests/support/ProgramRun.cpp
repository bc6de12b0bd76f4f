#include "tests/support/ProgramRun.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/resource.h>

namespace kdx::test {

ProgramRun RunProgram(const QString& program, const QStringList& args, int limitMs)
{
    RunLimits limits;
    limits.limitMs = limitMs;
    return RunProgram(program, args, limits);
}

ProgramRun RunProgram(const QString& program, const QStringList& args, const RunLimits& limits)
{
    const int limitMs = limits.limitMs;
    QProcess process;
    if (!limits.standardOutputFile.isEmpty())
        process.setStandardOutputFile(limits.standardOutputFile);
    const quint64 addressSpace = limits.addressSpace, fileSize = limits.fileSize;
    process.setChildProcessModifier([addressSpace, fileSize] {
        if (addressSpace) {
            const rlimit limit{rlim_t(addressSpace), rlim_t(addressSpace)};
            setrlimit(RLIMIT_AS, &limit);
        }
        if (fileSize) {
            const rlimit limit{rlim_t(fileSize), rlim_t(fileSize)};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
        }
    });
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

#pragma once
#include <QDir>
#include <QString>
#include <QStringList>

#include <string>

namespace kdx::test {

// What a program of this build printed and how it ended.
struct ProgramRun {
    bool finished = false; // false: killed after the time limit
    int exitCode = -1;     // -1 also when the program crashed
    QString out;
    QString err;
};

// Limits a program runs under, and where its standard output goes.
struct RunLimits {
    int limitMs = 60000;
    quint64 addressSpace = 0; // RLIMIT_AS in bytes, 0 for none
    quint64 fileSize = 0;     // RLIMIT_FSIZE in bytes (writes past it fail with EFBIG), 0 for none
    QString standardOutputFile; // empty: captured into ProgramRun::out
};

// Runs a program of this build from its output folder, offscreen and with
// no standard input; one that does not end within the limit is killed.
ProgramRun RunProgram(const QString& program, const QStringList& args, int limitMs = 60000);
ProgramRun RunProgram(const QString& program, const QStringList& args, const RunLimits& limits);

// The path of a file in a folder, in the form the file helpers take.
std::string PathIn(const QDir& dir, const QString& name);

} // namespace kdx::test

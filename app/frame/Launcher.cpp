#include "app/frame/Launcher.h"

#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "common/ProgramLocator.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace kdx {

QString FindProgram(const QString& name)
{
    return QFile::decodeName(LocateProgram(QFile::encodeName(name).toStdString()).c_str());
}

bool LaunchDetached(const QString& name, const QStringList& args)
{
    const QString program = FindProgram(name);
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setWorkingDirectory(QDir::currentPath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

namespace {

bool Launch(QWidget* parent, const char* program, int failureId, const QString& file)
{
    const QString name = QString::fromLatin1(program);
    if (LaunchDetached(name, file.isEmpty() ? QStringList() : QStringList{file})) {
        ShowStatusMessage(kStatusInfo, IDS_PROGRAM_STARTED, {name});
        return true;
    }
    ShowMessageBox(parent, failureId, QMessageBox::Critical, QMessageBox::Ok, {name});
    return false;
}

} // namespace

bool LaunchUploader(QWidget* parent, const QString& compiledFile)
{
    return Launch(parent, kUploaderProgram, IDS_UPLOADER_MISSING, compiledFile);
}

bool LaunchSimulator(QWidget* parent, const QString& compiledFile)
{
    return Launch(parent, kSimulatorProgram, IDS_SIMULATOR_MISSING, compiledFile);
}

} // namespace kdx

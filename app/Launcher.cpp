#include "app/Launcher.h"

#include "app/EditorStrings.h"
#include "app/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace kdx {

QStringList ProgramSearchFolders()
{
    QStringList folders{QCoreApplication::applicationDirPath(), QDir::currentPath()};
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& folder : path.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        folders << folder;
    return folders;
}

QString FindProgram(const QString& name)
{
    for (const QString& folder : ProgramSearchFolders()) {
        const QFileInfo candidate(QDir(folder), name);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

bool LaunchDetached(const QString& name)
{
    const QString program = FindProgram(name);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {}, QDir::currentPath());
}

namespace {

bool Launch(QWidget* parent, const char* program, int failureId)
{
    const QString name = QString::fromLatin1(program);
    if (LaunchDetached(name))
        return true;
    ShowMessageBox(parent, failureId, QMessageBox::Critical, QMessageBox::Ok, {name});
    return false;
}

} // namespace

bool LaunchUploader(QWidget* parent)
{
    return Launch(parent, kUploaderProgram, IDS_UPLOADER_MISSING);
}

bool LaunchSimulator(QWidget* parent)
{
    return Launch(parent, kSimulatorProgram, IDS_SIMULATOR_MISSING);
}

} // namespace kdx

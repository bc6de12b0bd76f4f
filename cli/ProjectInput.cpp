#include "cli/ProjectInput.h"

#include "model/ProjectText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace kdx::cli {
namespace {

// No project in either form comes near this size; the bound keeps a wrong
// argument from filling the memory.
constexpr qint64 kMaxProjectFileBytes = qint64(1) << 30;

QString Local(const std::string& path) { return QString::fromLocal8Bit(path.c_str()); }

} // namespace

void PrintCommandError(const char* command, const QString& text)
{
    QString line = text;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    std::fprintf(stderr, "kdx %s: %s\n", command, line.toUtf8().constData());
}

bool LoadProject(const char* command, const std::string& path, ProjectRecord& out)
{
    const QString name = Local(path);
    const QFileInfo info(name);
    if (!info.exists()) {
        PrintCommandError(command, name + QStringLiteral(": no such file"));
        return false;
    }
    if (!info.isFile()) {
        PrintCommandError(command, name + QStringLiteral(": not a regular file"));
        return false;
    }
    if (info.size() > kMaxProjectFileBytes) {
        PrintCommandError(command, name + QStringLiteral(": too large for a project"));
        return false;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintCommandError(command, name + QStringLiteral(": ") + file.errorString());
        return false;
    }
    const QByteArray data = file.read(kMaxProjectFileBytes + 1);
    if (file.error() != QFileDevice::NoError || data.size() > kMaxProjectFileBytes) {
        PrintCommandError(command, name + QStringLiteral(": cannot be read"));
        return false;
    }
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    if (IsProjectText(bytes)) {
        if (std::optional<TextFormError> error = ReadProjectText(data, out)) {
            PrintCommandError(command, QStringLiteral("%1:%2:%3: %4").arg(name).arg(error->line).arg(error->column)
                                           .arg(error->message));
            return false;
        }
        return true;
    }
    if (std::optional<ProjectError> error = ReadProjectRecord(bytes, out)) {
        PrintCommandError(command, name + QStringLiteral(": ") + error->Text());
        return false;
    }
    return true;
}

bool SaveProject(const char* command, const std::string& path, const ProjectRecord& project)
{
    const QString name = Local(path);
    QByteArray data;
    if (IsProjectTextPath(name)) {
        if (std::optional<QString> error = WriteProjectText(project, data)) {
            PrintCommandError(command, name + QStringLiteral(": ") + *error);
            return false;
        }
    } else {
        const std::vector<uint8_t> bytes = WriteProjectRecord(project);
        data = QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        PrintCommandError(command, name + QStringLiteral(": ") + reason);
        return false;
    }
    return true;
}

} // namespace kdx::cli

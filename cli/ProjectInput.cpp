#include "cli/ProjectInput.h"

#include "model/ProjectText.h"

#include "common/OutputFile.h"
#include "common/RegularFile.h"
#include "model/ModelStrings.h"

#include <QFile>

#include <cstdio>

namespace kdx::cli {
namespace {

QString Local(const std::string& path) { return QFile::decodeName(path.c_str()); }

} // namespace

bool StartsLikeToolFile(std::span<const uint8_t> head) { return FileHeader::HasMagic(head) || IsProjectText(head); }

void PrintCommandError(const char* command, const QString& text)
{
    QString line = text;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    std::fprintf(stderr, "kdx %s: %s\n", command, line.toUtf8().constData());
}

bool ReadInputFile(const char* command, const std::string& path, std::vector<uint8_t>& bytes)
{
    // A zero-byte file, too, is no project.
    FileReadResult file = ReadRegularFile(path, kMaxToolFileBytes, StartsLikeToolFile);
    if (file.error == FileReadError::WrongKind) {
        PrintCommandError(command, Local(path) + QStringLiteral(": ") + ProjectError{kStrNotProjectFile, {}}.Text());
        return false;
    }
    if (file.error != FileReadError::None) {
        PrintCommandError(command, Local(path) + QStringLiteral(": ") + QString::fromStdString(DescribeFileReadError(file)));
        return false;
    }
    bytes = std::move(file.bytes);
    return true;
}

bool LoadProject(const char* command, const std::string& path, ProjectRecord& out)
{
    std::vector<uint8_t> bytes;
    if (!ReadInputFile(command, path, bytes))
        return false;
    const QString name = Local(path);
    if (IsProjectText(bytes)) {
        const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
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

bool CheckOutputPath(const char* command, const std::string& path, std::span<const std::string> inputs,
                     OutputTarget& target, bool mayReplace)
{
    target = ResolveOutput(path, inputs, mayReplace);
    if (target.refusal == OutputRefusal::None)
        return true;
    PrintCommandError(command, Local(path) + QStringLiteral(": ") + QString::fromStdU16String(DescribeOutputRefusal(target)));
    return false;
}

bool WriteOutput(const char* command, const std::string& path, std::span<const std::string> inputs,
                 std::span<const uint8_t> bytes, Durability durability)
{
    OutputTarget target;
    if (!CheckOutputPath(command, path, inputs, target))
        return false;
    std::u16string reason;
    if (WriteOutputFile(target, bytes, &reason, durability))
        return true;
    PrintCommandError(command, Local(path) + QStringLiteral(": ") + QString::fromStdU16String(reason));
    return false;
}

bool SaveProject(const char* command, const std::string& path, std::span<const std::string> inputs,
                 const ProjectRecord& project)
{
    const QString name = Local(path);
    std::vector<uint8_t> bytes;
    if (IsProjectTextPath(name)) {
        QByteArray text;
        if (std::optional<QString> error = WriteProjectText(project, text)) {
            PrintCommandError(command, name + QStringLiteral(": ") + *error);
            return false;
        }
        bytes.assign(text.begin(), text.end());
    } else {
        bytes = WriteProjectRecord(project);
    }
    return WriteOutput(command, path, inputs, bytes);
}

} // namespace kdx::cli

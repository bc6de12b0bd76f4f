#include "cli/Command.h"
#include "cli/ProjectInput.h"

#include "common/ByteOrder.h"
#include "common/FileHeader.h"
#include "common/RegularFile.h"
#include "model/ProjectTextForm.h"

#include <QFile>

#include <cstdio>

namespace kdx::cli {
namespace {

int RunDump(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: kdx dump FILE\n");
        return 2;
    }
    // The kind is judged from the first bytes, before a large file is read.
    FileReadResult file = ReadRegularFile(args[0], kMaxToolFileBytes, StartsLikeToolFile);
    if (file.error != FileReadError::None) {
        std::fprintf(stderr, "kdx dump: %s: %s\n", args[0].c_str(), DescribeFileReadError(file).c_str());
        return 1;
    }
    std::vector<uint8_t>& bytes = file.bytes;
    if (IsProjectText(bytes)) {
        // The text form is listed as the project file it stands for.
        const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        std::vector<uint8_t> project;
        if (std::optional<TextFormError> error = ProjectFileOfText(text, project)) {
            PrintCommandError("dump", QStringLiteral("%1:%2:%3: %4").arg(QFile::decodeName(args[0].c_str()))
                                          .arg(error->line).arg(error->column).arg(error->message));
            return 1;
        }
        bytes = std::move(project);
    }
    if (!FileHeader::HasMagic(bytes) || bytes.size() < FileHeader::kSize) {
        std::fprintf(stderr, "kdx dump: %s is neither a project nor a compiled file\n", args[0].c_str());
        return 1;
    }
    uint32_t kind = LoadLE32(bytes.data() + 20);
    for (const Dumper& d : Dumpers())
        if (d.kind == kind)
            return d.dump(args[0], bytes);
    std::fprintf(stderr, "kdx dump: files of kind %u cannot be listed\n", kind);
    return 1;
}

Registrar reg(Command{"dump", "dump FILE.kdp|FILE.kdpj|FILE.kdpbin", RunDump});

} // namespace
} // namespace kdx::cli

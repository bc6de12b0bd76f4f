#include "cli/Command.h"

#include "common/ByteOrder.h"
#include "common/FileHeader.h"
#include "common/RegularFile.h"

#include <cstdio>

namespace kdx::cli {
namespace {

int RunDump(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: kdx dump FILE\n");
        return 2;
    }
    FileReadResult file = ReadRegularFile(args[0]);
    if (file.error != FileReadError::None) {
        std::fprintf(stderr, "kdx dump: %s: %s\n", args[0].c_str(), DescribeFileReadError(file).c_str());
        return 1;
    }
    const std::vector<uint8_t>& bytes = file.bytes;
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

Registrar reg(Command{"dump", "dump FILE.kdp|FILE.kdpbin", RunDump});

} // namespace
} // namespace kdx::cli

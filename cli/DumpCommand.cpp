#include "cli/Command.h"

#include "common/ByteOrder.h"
#include "common/FileHeader.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kdx::cli {
namespace {

int RunDump(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: kdx dump FILE\n");
        return 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kdx dump: cannot open %s\n", args[0].c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
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

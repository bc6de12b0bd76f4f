#include "cli/Command.h"
#include "common/ProgramInfo.h"

#include <cstdio>
#include <cstring>
#include <locale>
#include <string_view>

namespace kdx::cli {
namespace {

std::vector<Command>& CommandList()
{
    static std::vector<Command> list;
    return list;
}

std::vector<Dumper>& DumperList()
{
    static std::vector<Dumper> list;
    return list;
}

void PrintUsage(FILE* to)
{
    std::fprintf(to, "usage:\n");
    for (const Command& c : CommandList())
        std::fprintf(to, "  kdx %s\n", c.usage);
    std::fprintf(to, "  kdx --help | --version\n");
}

int Usage()
{
    PrintUsage(stderr);
    return 2;
}

} // namespace

Registrar::Registrar(Command command) { CommandList().push_back(command); }
Registrar::Registrar(Dumper dumper) { DumperList().push_back(dumper); }
const std::vector<Command>& Commands() { return CommandList(); }
const std::vector<Dumper>& Dumpers() { return DumperList(); }

void PrintUtf16(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

} // namespace kdx::cli

int main(int argc, char** argv)
{
    using namespace kdx::cli;
    if (argc < 2)
        return Usage();
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("kdx %s\n", kdx::ToolChainVersion());
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : Commands())
        if (std::strcmp(c.name, argv[1]) == 0)
            return c.run(args);
    std::fprintf(stderr, "kdx: unknown command \"%s\"\n", argv[1]);
    return Usage();
}

#include "cli/Command.h"
#include "common/ProgramInfo.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <locale>
#include <new>
#include <stdexcept>
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
    // Compiler messages may hold unpaired surrogates; a terminal shows them
    // best as U+FFFD (the UTF-8 encoder would write '?').
    QString line = QString::fromUtf16(text.data(), qsizetype(text.size()));
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate())
            ++i;
        else if (line[i].isSurrogate())
            line[i] = QChar::ReplacementCharacter;
    }
    const QByteArray out = line.toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
}

// Runs a command so that it never ends by an exception, and so that a
// listing that could not be written (a full disk, a closed pipe) is a
// failure, not a success.
int RunCommand(const Command& command, const std::vector<std::string>& args)
{
    int status = 1;
    try {
        status = command.run(args);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "kdx %s: 内存不足\n", command.name);
        return command.failureExit;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kdx %s: 发生错误：%s\n", command.name, e.what());
        return command.failureExit;
    }
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kdx %s: 无法写入标准输出：%s\n", command.name, std::strerror(errno ? errno : EIO));
        return command.failureExit;
    }
    return status;
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
    const bool askingHelp = args.size() == 1 && (args[0] == "--help" || args[0] == "-h");
    for (const Command& c : Commands()) {
        if (std::strcmp(c.name, argv[1]) != 0)
            continue;
        if (askingHelp && !c.explainsItself) {
            std::printf("usage: kdx %s\n", c.usage);
            return 0;
        }
        return RunCommand(c, args);
    }
    std::fprintf(stderr, "kdx: unknown command \"%s\"\n", argv[1]);
    return Usage();
}

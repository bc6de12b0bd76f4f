#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kdx::cli {

// One sub-command of "kdx": its name, a usage line and the function that
// runs it with the arguments after the name. The exit code is its result.
struct Command {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>& args);
    int failureExit = 1; // when the command ends by running out of memory or its output could not be written
    // Whether "kdx NAME --help" reaches the command, which explains itself;
    // otherwise kdx answers it with the usage line.
    bool explainsItself = false;
};

// A printer for "kdx dump" of one file kind (1 = project, 2 = compiled file).
struct Dumper {
    uint32_t kind;
    int (*dump)(const std::string& path, const std::vector<uint8_t>& bytes);
};

// Static registration: one Registrar object per command or dumper file.
struct Registrar {
    explicit Registrar(Command command);
    explicit Registrar(Dumper dumper);
};

const std::vector<Command>& Commands();
const std::vector<Dumper>& Dumpers();

// Writes UTF-16 text to standard output as UTF-8, flushing at once.
void PrintUtf16(std::u16string_view text);

} // namespace kdx::cli

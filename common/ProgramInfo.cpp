#include "common/ProgramInfo.h"

#include <cstdio>
#include <cstring>

namespace kdx {

const char* ToolChainVersion() { return KDX_VERSION; }

std::optional<int> AnswerInfoOptions(int argc, char** argv, const char* program, const char* usage)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
            std::fflush(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, ToolChainVersion());
            std::fflush(stdout);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace kdx

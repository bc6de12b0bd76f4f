#include "common/ProgramInfo.h"
#include "compile/CompilerDriver.h"

int main(int argc, char** argv)
{
    if (auto answered = kdx::AnswerInfoOptions(argc, argv, "KDX_TC",
                                                "usage: KDX_TC CHANNEL\n"
                                                "The panel compiler. The editor and \"kdx compile\" start it with the name\n"
                                                "of the shared block that carries the paths and the messages.\n"))
        return *answered;
    return kdx::RunCompiler(argc, argv);
}

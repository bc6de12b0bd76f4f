// "kdx convert IN OUT": reads a project in either form (judged by its
// contents) and writes it in the form OUT's extension names: .kdp for the
// project file, .kdpj for the text form. Converting a project file to text
// and back gives the same bytes.
#include "cli/Command.h"
#include "cli/ProjectInput.h"

#include "model/ProjectText.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace kdx::cli {
namespace {

int RunConvert(const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kdx convert IN.kdp|IN.kdpj OUT.kdp|OUT.kdpj\n");
        return 2;
    }
    const QString out = QFile::decodeName(args[1].c_str());
    const QString suffix = QFileInfo(out).suffix().toLower();
    if (suffix != QLatin1String("kdp") && suffix != QLatin1String("kdpj")) {
        PrintCommandError("convert", out + QStringLiteral(": the output must end in .kdp or .kdpj"));
        return 2;
    }
    const std::span<const std::string> inputs = std::span(args).first(1);
    OutputTarget target;
    if (!CheckOutputPath("convert", args[1], inputs, target))
        return 1;
    ProjectRecord project;
    if (!LoadProject("convert", args[0], project))
        return 1;
    return SaveProject("convert", args[1], inputs, project) ? 0 : 1;
}

Registrar reg(Command{"convert", "convert IN.kdp|IN.kdpj OUT.kdp|OUT.kdpj", RunConvert});

} // namespace
} // namespace kdx::cli

// "kdx convert IN.kdp OUT.kdp": reads a project with the model and writes it
// again, which normalises its encodings (8-bit strings, null objects).
#include "cli/Command.h"

#include "model/PageDoc.h"

#include <cstdio>

namespace kdx::cli {
namespace {

void PrintError(const QString& text)
{
    QString line = text;
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

int RunConvert(const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kdx convert IN.kdp OUT.kdp\n");
        return 2;
    }
    CPageDoc doc;
    doc.SetImageDecoding(false); // pictures are carried by their paths only
    if (std::optional<ProjectError> error = doc.OpenProject(QString::fromStdString(args[0]))) {
        PrintError(error->Text());
        return 1;
    }
    if (std::optional<ProjectError> error = doc.SaveProject(QString::fromStdString(args[1]))) {
        PrintError(error->Text());
        return 1;
    }
    return 0;
}

Registrar reg(Command{"convert", "convert IN.kdp OUT.kdp", RunConvert});

} // namespace
} // namespace kdx::cli

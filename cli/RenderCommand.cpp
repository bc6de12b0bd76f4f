// "kdx render": draws the pages of a compiled file as the terminal shows
// them, into PNG files, without a display.
#include "cli/Command.h"

#include "render/PageRenderer.h"
#include "render/TerminalImage.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace kdx::cli {
namespace {

constexpr const char* kUsage = "render FILE.kdpbin [--page N] OUT.png   (N counts pages from 0; all pages as OUT-N.png)";

int Usage()
{
    std::fprintf(stderr, "usage: kdx %s\n", kUsage);
    return 2;
}

// The file of page 'index' when every page is written: OUT-N.png.
QString NumberedPath(const QString& out, int index)
{
    const QFileInfo info(out);
    QString base = out;
    if (!info.suffix().isEmpty())
        base.chop(info.suffix().size() + 1);
    return QStringLiteral("%1-%2.%3").arg(base).arg(index).arg(info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix());
}

int RunRender(const std::vector<std::string>& args)
{
    std::string input, output;
    int page = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--page") {
            if (i + 1 >= args.size())
                return Usage();
            char* end = nullptr;
            const long value = std::strtol(args[++i].c_str(), &end, 10);
            if (end == args[i].c_str() || *end != '\0' || value < 0 || value > 0xFFFF)
                return Usage();
            page = int(value);
        } else if (input.empty()) {
            input = args[i];
        } else if (output.empty()) {
            output = args[i];
        } else {
            return Usage();
        }
    }
    if (input.empty() || output.empty())
        return Usage();

    QString error;
    const auto image = render::TerminalImage::LoadFile(QString::fromLocal8Bit(input.c_str()), &error);
    if (!image) {
        std::fprintf(stderr, "kdx render: %s: %s\n", input.c_str(), error.toUtf8().constData());
        return 1;
    }
    const int pageCount = int(image->Pages().size());
    if (pageCount == 0) {
        std::fprintf(stderr, "kdx render: %s has no pages\n", input.c_str());
        return 1;
    }
    if (page >= pageCount) {
        std::fprintf(stderr, "kdx render: page %d does not exist (the file has %d pages, counted from 0)\n", page,
                     pageCount);
        return 1;
    }
    // Texts need fonts, and fonts a GUI application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "kdx";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    const QString out = QString::fromLocal8Bit(output.c_str());
    const int first = page >= 0 ? page : 0;
    const int last = page >= 0 ? page : pageCount - 1;
    for (int index = first; index <= last; ++index) {
        const QString path = page >= 0 ? out : NumberedPath(out, index);
        if (!render::RenderPage(*image, index).save(path, "PNG")) {
            std::fprintf(stderr, "kdx render: cannot write %s\n", path.toUtf8().constData());
            return 1;
        }
    }
    return 0;
}

Registrar reg(Command{"render", kUsage, RunRender});

} // namespace
} // namespace kdx::cli

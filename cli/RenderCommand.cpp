// "kdx render": draws the pages of a compiled file as the terminal shows
// them, into PNG files, without a display.
#include "cli/Command.h"
#include "cli/OffscreenGui.h"
#include "cli/PngEncoder.h"
#include "cli/ProjectInput.h"
#include "common/LocalPath.h"

#include "render/PageRenderer.h"
#include "render/TerminalImage.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>

namespace kdx::cli {
namespace {

constexpr const char* kUsage =
    "render FILE.kdpbin [--page N] [--force] [--compression 0-9] OUT.png   (N counts pages from 0; all pages as "
    "OUT-N.png, replacing existing ones only with --force; compression 9 makes the smallest files, the default 1 "
    "the fastest)";

// The zlib level of the PNG files: fast, since the screens are many and large.
constexpr int kFastCompression = 1;

int Usage()
{
    std::fprintf(stderr, "usage: kdx %s\n", kUsage);
    return 2;
}

// The file of page 'index' when every page is written: OUT-N.png.
std::string NumberedPath(const std::string& out, int index)
{
    const QString name = QFile::decodeName(out.c_str());
    const QFileInfo info(name);
    QString base = name;
    if (!info.suffix().isEmpty())
        base.chop(info.suffix().size() + 1);
    const QString numbered = QStringLiteral("%1-%2.%3").arg(base).arg(index).arg(
        info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix());
    return QFile::encodeName(numbered).toStdString();
}

bool WritePng(const QImage& page, const std::string& path, int compression, std::span<const std::string> inputs)
{
    const QByteArray png = EncodePng(page, compression);
    if (png.isEmpty()) {
        std::fprintf(stderr, "kdx render: %s: 无法编码为PNG图象\n", path.c_str());
        return false;
    }
    const std::span bytes(reinterpret_cast<const uint8_t*>(png.constData()), size_t(png.size()));
    // Pictures of pages are made again by running the command again.
    return WriteOutput("render", path, inputs, bytes, Durability::Remakeable);
}

// A whole decimal number from 0 to 'most'.
std::optional<int> Number(const std::string& text, long most)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || value < 0 || value > most)
        return std::nullopt;
    return int(value);
}

int RunRender(const std::vector<std::string>& args)
{
    std::string input, output;
    int page = -1;
    bool force = false;
    int compression = kFastCompression;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--force") {
            force = true;
        } else if (args[i] == "--compression" || args[i] == "--page") {
            const bool isPage = args[i] == "--page";
            const std::optional<int> value = i + 1 < args.size() ? Number(args[++i], isPage ? 0xFFFF : 9) : std::nullopt;
            if (!value)
                return Usage();
            (isPage ? page : compression) = *value;
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
    const auto image = render::TerminalImage::LoadFile(QString::fromStdU16String(LocalPathToUtf16(input)), &error);
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
    // Every output is checked before the first is written. One named page
    // replaces its file as before; numbered pages replace earlier ones only
    // when asked to, since their names were never typed.
    const std::string inputs[] = {input};
    const int first = page >= 0 ? page : 0;
    const int last = page >= 0 ? page : pageCount - 1;
    std::vector<std::string> outputs;
    for (int index = first; index <= last; ++index) {
        outputs.push_back(page >= 0 ? output : NumberedPath(output, index));
        OutputTarget target;
        if (!CheckOutputPath("render", outputs.back(), inputs, target, page >= 0 || force)) {
            if (target.refusal == OutputRefusal::Exists)
                std::fprintf(stderr, "kdx render: 用 --force 覆盖已有的文件\n");
            return 1;
        }
    }

    const auto gui = MakeOffscreenGui();

    // Each page is drawn, encoded and written on a worker thread: pictures
    // are converted when first drawn and glyph lookups are shared under a
    // lock, so pages are independent. One page per thread is in memory.
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    std::atomic<bool> failed{false};
    for (int index = first; index <= last; ++index) {
        pool.start([&, index] {
            if (failed)
                return;
            const QImage drawn = render::RenderPage(*image, index);
            if (drawn.isNull()) {
                std::fprintf(stderr, "kdx render: page %d: 内存不足\n", index);
                failed = true;
                return;
            }
            if (!WritePng(drawn, outputs[size_t(index - first)], compression, inputs))
                failed = true;
        });
    }
    pool.waitForDone();
    return failed ? 1 : 0;
}

Registrar reg(Command{"render", kUsage, RunRender});

} // namespace
} // namespace kdx::cli

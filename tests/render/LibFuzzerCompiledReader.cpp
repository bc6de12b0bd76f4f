// libFuzzer entry for open-ended runs of the compiled-file reader: each input
// is read as a memory image, and as a compiled file with its seal
// recomputed; whatever loads is drawn page by page.
#include "common/FileHeader.h"
#include "render/PageRenderer.h"
#include "render/TerminalImage.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void DrawAll(const std::shared_ptr<const kdx::render::TerminalImage>& image, const QString& error)
{
    if (!image) {
        if (error.isEmpty()) {
            std::fprintf(stderr, "refused without a message\n");
            std::abort();
        }
        return;
    }
    for (size_t page = 0; page < image->Pages().size(); ++page)
        kdx::render::RenderPage(*image, int(page), int(image->Pages()[page].records.size()) - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_compiled_reader";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    QString error;
    DrawAll(kdx::render::TerminalImage::FromMemoryImage({data, size}, 16, &error), error);
    std::vector<uint8_t> sealed(data, data + size);
    kdx::SealBytes(sealed);
    error.clear();
    DrawAll(kdx::render::TerminalImage::FromCompiledFile(sealed, &error), error);
    return 0;
}

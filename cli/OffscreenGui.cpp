#include "cli/OffscreenGui.h"

namespace kdx::cli {

std::unique_ptr<QGuiApplication> MakeOffscreenGui()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application keeps references to both for its lifetime.
    static int argc = 1;
    static char name[] = "kdx";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace kdx::cli

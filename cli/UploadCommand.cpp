// "kdx upload": the uploader without a window, for production lines. It runs
// the same worker and protocol as KDX_TU and prints the same log lines.
#include "cli/Command.h"
#include "upload/UploadWorker.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace kdx::cli {
namespace {

std::atomic<bool> g_cancel{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int) { g_cancel.store(true); }

int UploadUsage()
{
    std::fprintf(stderr, "usage: kdx upload --port DEVICE [--baud RATE] FILE.kdpbin\n");
    return 2;
}

int RunUpload(const std::vector<std::string>& args)
{
    upload::UploadJob job;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--port" && i + 1 < args.size()) {
            job.portPath = QString::fromStdString(args[++i]);
        } else if (arg == "--baud" && i + 1 < args.size()) {
            char* end = nullptr;
            long rate = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || !upload::BaudCode(int(rate))) {
                std::fprintf(stderr, "kdx upload: unsupported baud rate \"%s\"\n", args[i].c_str());
                return 2;
            }
            job.baud = int(rate);
        } else if (!arg.empty() && arg[0] != '-' && job.filePath.isEmpty()) {
            job.filePath = QString::fromStdString(arg);
        } else {
            return UploadUsage();
        }
    }
    if (job.portPath.isEmpty() || job.filePath.isEmpty())
        return UploadUsage();

    upload::UploadCallbacks callbacks;
    callbacks.updateTaskStatus = [](const QString& line) { PrintUtf16(line.toStdU16String()); };
    g_cancel = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);
    bool done = false;
    upload::RunOnQtThread([&] { done = upload::UploadWorker(job, callbacks, g_cancel).Run(); });
    sigaction(SIGINT, &previous, nullptr);
    return done ? 0 : 1;
}

const Registrar registrar(Command{"upload", "upload --port DEVICE [--baud RATE] FILE.kdpbin", RunUpload});

} // namespace
} // namespace kdx::cli

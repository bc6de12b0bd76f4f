// KDX_VT: a virtual terminal on a pseudo-terminal. It prints the device path
// to offer to the uploader (for example through KDX_EXTRA_PORTS), answers
// the upload protocol and keeps the memory image it receives.
#include "common/OutputFile.h"
#include "common/ProgramInfo.h"
#include "terminal/VirtualTerminal.h"

#include <QString>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

constexpr const char* kUsage =
    "usage: KDX_VT [--baud RATE] [--line-rate] [--out FILE] [--crc-error BLOCK[:COUNT]]...\n"
    "              [--silent] [--download-reply HEX] [--block-reply HEX]\n"
    "              [--drop-after BLOCKS] [--silent-from BLOCKS] [--detect-length L] [--pause MS]\n"
    "              [--memory BYTES]\n"
    "--pause: a pause this long in a download drops it (default 1500 ms)\n"
    "--memory: the terminal's memory; a larger download is refused as no space (default 64 MiB)\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

// Writes a received image to --out: only a regular file or a new name is
// replaced, never a FIFO or a device, and never left half written.
void SaveImage(const std::string& path, const std::vector<uint8_t>& image)
{
    std::u16string reason;
    const kdx::OutputTarget target = kdx::ResolveOutput(path);
    if (target.refusal != kdx::OutputRefusal::None)
        reason = kdx::DescribeOutputRefusal(target);
    else if (kdx::WriteOutputFile(target, image, &reason))
        return;
    std::fprintf(stderr, "KDX_VT: cannot write %s: %s\n", path.c_str(),
                 QString::fromStdU16String(reason).toUtf8().constData());
}

bool ParseInt(const char* text, long long* value, int base = 10)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtoll(text, &end, base);
    return errno == 0 && end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    if (auto answered = kdx::AnswerInfoOptions(argc, argv, "KDX_VT", kUsage))
        return *answered;
    kdx::vterm::TerminalOptions options;
    std::string outPath;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long long v = 0;
        if (arg == "--line-rate") {
            options.emulateLineRate = true;
        } else if (arg == "--silent") {
            options.silent = true;
        } else if (arg == "--baud" && hasValue && ParseInt(argv[++i], &v) && v > 0) {
            options.baud = int(v);
        } else if (arg == "--out" && hasValue) {
            outPath = argv[++i];
        } else if (arg == "--crc-error" && hasValue) {
            std::string blockAndCount = argv[++i];
            size_t colon = blockAndCount.find(':');
            long long block = 0, count = 1;
            if (!ParseInt(blockAndCount.substr(0, colon).c_str(), &block) ||
                (colon != std::string::npos && !ParseInt(blockAndCount.substr(colon + 1).c_str(), &count)))
                return Usage();
            options.crcErrors[int(block)] = int(count);
        } else if (arg == "--download-reply" && hasValue && ParseInt(argv[++i], &v, 16) && v >= 0 && v < 256) {
            options.downloadReply = uint8_t(v);
        } else if (arg == "--block-reply" && hasValue && ParseInt(argv[++i], &v, 16) && v >= 0 && v < 256) {
            options.blockReply = uint8_t(v);
        } else if (arg == "--drop-after" && hasValue && ParseInt(argv[++i], &v) && v >= 0) {
            options.dropAfterBlocks = int(v);
        } else if (arg == "--silent-from" && hasValue && ParseInt(argv[++i], &v) && v >= 0) {
            options.silentFromBlock = int(v);
        } else if (arg == "--pause" && hasValue && ParseInt(argv[++i], &v) && v > 0 && v < 3600000) {
            options.pauseMs = int(v);
        } else if (arg == "--memory" && hasValue && ParseInt(argv[++i], &v) && v >= 0 && v <= 0xFFFFFFFFll) {
            options.memoryBytes = uint32_t(v);
        } else if (arg == "--detect-length" && hasValue && ParseInt(argv[++i], &v) && v >= 0 && v < 65536) {
            options.detectReplyLength = uint16_t(v);
        } else {
            return Usage();
        }
    }

    kdx::vterm::VirtualTerminal terminal(options);
    std::string error;
    if (!terminal.Start(&error)) {
        std::fprintf(stderr, "KDX_VT: %s\n", error.c_str());
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", terminal.DevicePath().c_str());
    std::fflush(stdout);

    int saved = 0;
    while (!g_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (terminal.DownloadsCompleted() == saved)
            continue;
        // The finished download is kept apart, so a next one starting at
        // once does not empty it before it is written.
        const kdx::vterm::FinishedDownload finished = terminal.LastFinished();
        saved = finished.number;
        std::fprintf(stderr, "KDX_VT: received %zu bytes (%ux%u)\n", finished.image.size(), unsigned(finished.width),
                     unsigned(finished.height));
        if (!outPath.empty())
            SaveImage(outPath, finished.image);
    }
    terminal.Stop();
    return 0;
}

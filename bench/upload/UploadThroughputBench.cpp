// Upload throughput against the virtual terminal with line-rate emulation:
// payload bytes per second compared with the line's capacity (baud / 10
// bytes per second). The framing itself allows 4096 / (4096 + 6 + 1) of it.
//
// usage: bench_upload [IMAGE_BYTES] [BAUD...]   (default 1 MiB at 115200 and 921600)
#include "common/FileHeader.h"
#include "terminal/VirtualTerminal.h"
#include "upload/UploadStrings.h"
#include "upload/UploadWorker.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace kdx;

std::string WriteImageFile(size_t size)
{
    std::vector<uint8_t> file(FileHeader::kSize + size);
    FileHeader header;
    header.kind = FileHeader::kCompiledKind;
    auto head = header.Bytes();
    std::copy(head.begin(), head.end(), file.begin());
    std::mt19937 random(7);
    for (size_t i = FileHeader::kSize; i < file.size(); ++i)
        file[i] = uint8_t(random());
    SealBytes(file);
    const std::string path = (std::filesystem::temp_directory_path() / "kdx-bench-upload.kdpbin").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return path;
}

bool Measure(const std::string& path, size_t size, int baud)
{
    vterm::TerminalOptions options;
    options.baud = baud;
    options.emulateLineRate = true;
    vterm::VirtualTerminal terminal(options);
    std::string error;
    if (!terminal.Start(&error)) {
        std::fprintf(stderr, "virtual terminal: %s\n", error.c_str());
        return false;
    }
    const QString sending = upload::LoadString(upload::IDS_SENDING).section('(', 0, 0);
    Clock::time_point sendStart{}, sendEnd{};
    upload::UploadCallbacks callbacks;
    callbacks.updateTaskStatus = [&](const QString& line) {
        if (line.startsWith(sending))
            sendStart = Clock::now();
        if (line == upload::LoadString(upload::IDS_SEND_DONE))
            sendEnd = Clock::now();
        if (line.startsWith('*'))
            std::fprintf(stderr, "%s", line.toUtf8().constData());
    };
    std::atomic<bool> cancel{false};
    bool done = false;
    upload::UploadJob job{QString::fromStdString(path), baud, QString::fromStdString(terminal.DevicePath())};
    upload::RunOnQtThread([&] { done = upload::UploadWorker(job, callbacks, cancel).Run(); });
    if (!done || terminal.Image().size() != size) {
        std::fprintf(stderr, "upload at %d failed\n", baud);
        return false;
    }
    const double seconds = std::chrono::duration<double>(sendEnd - sendStart).count();
    const double capacity = baud / 10.0;
    const double throughput = double(size) / seconds;
    const double framing = 4096.0 / (4096 + 6 + 1);
    std::printf("%7d baud: %zu bytes in %.2f s, %.0f B/s of %.0f B/s line capacity: ratio %.4f "
                "(framing allows %.4f, goal 0.97) %s\n",
                baud, size, seconds, throughput, capacity, throughput / capacity, framing,
                throughput / capacity >= 0.97 ? "ok" : "BELOW GOAL");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    size_t size = argc > 1 ? size_t(std::strtoull(argv[1], nullptr, 10)) : size_t(1) << 20;
    std::vector<int> rates;
    for (int i = 2; i < argc; ++i)
        rates.push_back(std::atoi(argv[i]));
    if (rates.empty())
        rates = {921600, 115200};
    if (size == 0)
        return 2;
    const std::string path = WriteImageFile(size);
    bool ok = true;
    for (int baud : rates)
        ok = Measure(path, size, baud) && ok;
    std::filesystem::remove(path);
    return ok ? 0 : 1;
}

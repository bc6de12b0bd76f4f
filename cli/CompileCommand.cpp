#include "cli/Command.h"

#include "channel/CompileSession.h"
#include "common/FileHeader.h"
#include "common/LocalPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kdx::cli {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

// Prints each text as it arrives.
class PrintingSink : public CompileSession::Sink {
public:
    void Deliver(std::u16string_view text) override { PrintUtf16(text); }
};

// What identifies one version of a file on disk.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};

    static FileStamp Of(const std::string& path)
    {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0)
            return {};
        return {true, st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
    }
    bool SameVersion(const FileStamp& o) const
    {
        auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
        return exists == o.exists && device == o.device && inode == o.inode && same(modified, o.modified) &&
               same(changed, o.changed);
    }
};

// The compiler's messages are text that quotes paths, page names and the
// remark, so they cannot tell success. It is the compiler's exit status 0
// together with a compiled file that this run created or replaced. The
// compiler sealed the file from the pieces it wrote, so its header is read
// here, not the whole file again.
bool CompiledThisRun(const CompileSession& session, const std::string& output, const FileStamp& before)
{
    if (session.CompilerExitStatus() != 0)
        return false;
    const FileStamp after = FileStamp::Of(output);
    if (!after.exists || (before.exists && after.SameVersion(before)))
        return false;
    std::ifstream file(output, std::ios::binary);
    uint8_t head[FileHeader::kSize] = {};
    if (!file.read(reinterpret_cast<char*>(head), sizeof head))
        return false;
    const std::optional<FileHeader> header = FileHeader::Parse(head);
    return header && header->kind == FileHeader::kCompiledKind && file.peek() != std::ifstream::traits_type::eof();
}

// The path as the compiler is given it, every byte kept (see LocalPath.h).
std::u16string AbsolutePath(const std::string& path)
{
    std::string absolute = path;
    if (!path.starts_with('/')) {
        char* folder = getcwd(nullptr, 0);
        absolute = std::string(folder ? folder : ".") + "/" + path;
        std::free(folder);
    }
    return QDir::cleanPath(QString::fromStdU16String(LocalPathToUtf16(absolute))).toStdU16String();
}

int RunCompile(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    for (const std::string& arg : args) {
        if (arg == "--no-cache")
            setenv("KDX_NO_CACHE", "1", 1); // the compiler inherits it
        else
            paths.push_back(arg);
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: kdx compile [--no-cache] PROJECT.kdp OUTPUT.kdpbin\n");
        return 2;
    }
    struct sigaction action{};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const std::u16string outputPath = AbsolutePath(paths[1]);
    const std::string localOutput = Utf16ToLocalPath(outputPath);
    const FileStamp before = FileStamp::Of(localOutput);
    PrintingSink sink;
    CompileSession session(sink, uint64_t(getpid()));
    session.Start(AbsolutePath(paths[0]), outputPath);
    bool cancelled = false;
    while (session.MonitorRunning()) {
        if (g_interrupted && !cancelled) {
            session.RequestCancel();
            cancelled = true;
        }
        // Short naps: the end of a quick recompile is seen at once.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    session.Join();
    return !cancelled && CompiledThisRun(session, localOutput, before) ? 0 : 1;
}

Registrar reg(Command{"compile", "compile [--no-cache] PROJECT.kdp OUTPUT.kdpbin", RunCompile});

} // namespace
} // namespace kdx::cli

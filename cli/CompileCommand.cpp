#include "cli/Command.h"

#include "channel/CompileSession.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace kdx::cli {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

// Prints each text as it arrives and notes whether the compiler reported
// the generated file, which is the only sign of success.
class PrintingSink : public CompileSession::Sink {
public:
    void Deliver(std::u16string_view text) override
    {
        PrintUtf16(text);
        if (text.find(u">已经生成文件") != std::u16string_view::npos)
            m_generated = true;
    }
    bool Generated() const { return m_generated; }

private:
    std::atomic<bool> m_generated{false};
};

std::u16string AbsolutePath(const std::string& path)
{
    return QDir::cleanPath(QFileInfo(QString::fromLocal8Bit(path)).absoluteFilePath()).toStdU16String();
}

int RunCompile(const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kdx compile PROJECT.kdp OUTPUT.kdpbin\n");
        return 2;
    }
    struct sigaction action{};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    PrintingSink sink;
    CompileSession session(sink, uint64_t(getpid()));
    session.Start(AbsolutePath(args[0]), AbsolutePath(args[1]));
    bool cancelled = false;
    while (session.MonitorRunning()) {
        if (g_interrupted && !cancelled) {
            session.RequestCancel();
            cancelled = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    session.Join();
    return sink.Generated() && !cancelled ? 0 : 1;
}

Registrar reg(Command{"compile", "compile PROJECT.kdp OUTPUT.kdpbin", RunCompile});

} // namespace
} // namespace kdx::cli

// "kdx upload": the uploader without a window, for production lines. It runs
// the same worker and protocol as KDX_TU and prints the same log lines. With
// several --port options it uploads to all ports at once, one worker each,
// prefixes each line with its port and ends with a summary.
#include "cli/Command.h"
#include "upload/CompiledFile.h"
#include "upload/UploadStrings.h"
#include "upload/UploadWorker.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace kdx::cli {
namespace {

std::atomic<bool> g_cancel{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int) { g_cancel.store(true); }

int UploadUsage()
{
    std::fprintf(stderr, "usage: kdx upload --port DEVICE [--port DEVICE ...] [--baud RATE] FILE.kdpbin\n");
    return 2;
}

// What one port's worker ended with.
struct PortOutcome {
    QString port;
    bool done = false;
    QString lastError; // the last "*" line (or the cancel line), without its line break
};

bool IsErrorLine(const QString& line)
{
    return line.startsWith(u'*') || line == upload::LoadString(upload::IDS_CANCELLED);
}

QString WithoutBreak(QString line)
{
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

// Runs one worker per port on threads of their own and waits for all.
void UploadToAll(const upload::UploadJob& common, std::vector<PortOutcome>& outcomes)
{
    std::mutex printing;
    std::vector<std::unique_ptr<QThread>> threads;
    for (PortOutcome& outcome : outcomes) {
        upload::UploadJob job = common;
        job.portPath = outcome.port;
        threads.emplace_back(QThread::create([job, &outcome, &printing] {
            upload::UploadCallbacks callbacks;
            callbacks.updateTaskStatus = [&](const QString& line) {
                if (IsErrorLine(line))
                    outcome.lastError = WithoutBreak(line);
                const std::lock_guard lock(printing);
                PrintUtf16((u'[' + outcome.port + QStringLiteral("] ") + line).toStdU16String());
            };
            outcome.done = upload::UploadWorker(job, callbacks, g_cancel).Run();
        }));
    }
    for (auto& thread : threads)
        thread->start();
    for (auto& thread : threads)
        thread->wait();
}

void PrintSummary(const std::vector<PortOutcome>& outcomes)
{
    const auto succeeded = std::count_if(outcomes.begin(), outcomes.end(), [](const PortOutcome& o) { return o.done; });
    QString text = QString::fromUtf16(u">上传汇总：%1 个端口成功，%2 个端口失败\r\n")
                       .arg(succeeded)
                       .arg(qsizetype(outcomes.size()) - succeeded);
    for (const PortOutcome& o : outcomes) {
        if (o.done)
            text += QString::fromUtf16(u">  %1：成功\r\n").arg(o.port);
        else
            text += QString::fromUtf16(u"*  %1：失败（%2）\r\n")
                        .arg(o.port, o.lastError.isEmpty() ? QString::fromUtf16(u"未知原因") : o.lastError);
    }
    PrintUtf16(text.toStdU16String());
}

int RunUpload(const std::vector<std::string>& args)
{
    upload::UploadJob job;
    std::vector<PortOutcome> ports;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--port" && i + 1 < args.size()) {
            const QString port = QFile::decodeName(args[++i].c_str());
            // One device under two names (a link in /dev/serial/by-id) is one port.
            auto device = [](const QString& path) {
                const QString canonical = QFileInfo(path).canonicalFilePath();
                return canonical.isEmpty() ? path : canonical;
            };
            if (std::any_of(ports.begin(), ports.end(),
                            [&](const PortOutcome& o) { return device(o.port) == device(port); })) {
                std::fprintf(stderr, "kdx upload: port \"%s\" given twice\n", args[i].c_str());
                return 2;
            }
            ports.push_back({port, false, {}});
        } else if (arg == "--baud" && i + 1 < args.size()) {
            char* end = nullptr;
            long rate = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || !upload::BaudCode(int(rate))) {
                std::fprintf(stderr, "kdx upload: unsupported baud rate \"%s\"\n", args[i].c_str());
                return 2;
            }
            job.baud = int(rate);
        } else if (!arg.empty() && arg[0] != '-' && job.filePath.isEmpty()) {
            job.filePath = QFile::decodeName(arg.c_str());
        } else {
            return UploadUsage();
        }
    }
    if (ports.empty() || job.filePath.isEmpty())
        return UploadUsage();
    // The uploader's own check: a FIFO or a device would block the load.
    if (!upload::IsLoadableFile(job.filePath)) {
        std::fprintf(stderr, "kdx upload: %s\n", upload::LoadString(upload::IDS_NEED_FILE).trimmed().toUtf8().constData());
        return 2;
    }

    g_cancel = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    // Ended by a service manager (SIGTERM) as by Ctrl+C: cancelled, with the summary.
    struct sigaction previous {}, previousTerm {};
    sigaction(SIGINT, &action, &previous);
    sigaction(SIGTERM, &action, &previousTerm);
    bool allDone = false;
    if (ports.size() == 1) {
        // One port: the log exactly as the uploader's dialog shows it.
        job.portPath = ports.front().port;
        upload::UploadCallbacks callbacks;
        callbacks.updateTaskStatus = [](const QString& line) { PrintUtf16(line.toStdU16String()); };
        upload::RunOnQtThread([&] { allDone = upload::UploadWorker(job, callbacks, g_cancel).Run(); });
    } else {
        UploadToAll(job, ports);
        PrintSummary(ports);
        allDone = std::all_of(ports.begin(), ports.end(), [](const PortOutcome& o) { return o.done; });
    }
    sigaction(SIGINT, &previous, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    return allDone ? 0 : 1;
}

const Registrar registrar(Command{"upload", "upload --port DEVICE [--port DEVICE ...] [--baud RATE] FILE.kdpbin",
                                  RunUpload});

} // namespace
} // namespace kdx::cli

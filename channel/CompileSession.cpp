#include "channel/CompileSession.h"

#include "common/CMappedMemory.h"
#include "common/ProgramLocator.h"
#include "channel/CompileChannel.h"

#include <QString>

#include <cerrno>
#include <chrono>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kdx {
namespace {

// Reaps a compiler that is still finishing after the editor let go of it.
void ReapLater(pid_t pid)
{
    if (pid <= 0 || waitpid(pid, nullptr, WNOHANG) != 0)
        return;
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

enum class ProcessState { Running, Ended, Failed };

// Polls the compiler; 'exitStatus' receives its status when it is reaped here
// after a normal exit.
ProcessState PollProcess(pid_t pid, std::optional<int>* exitStatus)
{
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == 0)
        return ProcessState::Running;
    if (r == pid) {
        if (WIFEXITED(status))
            *exitStatus = WEXITSTATUS(status);
        return ProcessState::Ended;
    }
    if (errno == ECHILD) // already gone
        return ProcessState::Ended;
    return errno == EINTR ? ProcessState::Running : ProcessState::Failed;
}

} // namespace

std::u16string CompileSession::Text(int id)
{
    switch (id) {
    case kCreateFailed: return u"*初始化失败\r\n";
    case kLaunchFailed: return u"*未能加载外部组件，请确保“%s”在当前目录\r\n";
    case kMonitorFailed: return u"*无法启动异步信息捕捉\r\n";
    case kPathMissing: return u"*初始化失败\r\n";
    case kInternalError: return u"*内部错误\r\n";
    case kCancelled: return u">用户取消操作！！！\r\n";
    case kEnded: return u">已经结束操作\r\n";
    case kPathTooLong: return u"*路径过长，最多259个字符：“%s”\r\n";
    default: return {};
    }
}

CompileSession::CompileSession(Sink& sink, uint64_t paneId) : m_sink(sink), m_paneId(paneId) {}

CompileSession::~CompileSession()
{
    RequestCancel();
    Join();
}

void CompileSession::Start(std::u16string_view projectPath, std::u16string_view outputPath,
                           const std::string& compilerPath)
{
    Join(); // a previous monitor must be gone
    m_exitStatus.reset();
    std::u16string failure;
    constexpr size_t kMaxPathUnits = CompileChannel::kPathUnits - 1;
    if (projectPath.empty() || outputPath.empty()) {
        failure = Text(kPathMissing);
    } else if (projectPath.size() > kMaxPathUnits || outputPath.size() > kMaxPathUnits) {
        failure = Text(kPathTooLong);
        failure.replace(failure.find(u"%s"), 2, projectPath.size() > kMaxPathUnits ? projectPath : outputPath);
    } else {
        CompileChannel::RemoveStaleChannels();
        m_channelName = CompileChannel::MakeName(uint32_t(getpid()), m_paneId, TickCountMs());
        m_block = CMappedMemory::CreateShared(m_channelName, CompileChannel::kSize);
        if (!m_block) {
            failure = Text(kCreateFailed);
        } else {
            m_channel = std::make_unique<CompileChannel>(m_block->Data());
            m_channel->Initialise(projectPath, outputPath);
            if (!Launch(compilerPath)) {
                failure = Text(kLaunchFailed);
                failure.replace(failure.find(u"%s"), 2, u"KDX_TC");
            } else {
                try {
                    m_monitorRunning = true;
                    m_monitor = std::thread(&CompileSession::Monitor, this);
                    return;
                } catch (const std::system_error&) {
                    m_monitorRunning = false;
                    failure = Text(kMonitorFailed);
                }
            }
        }
    }
    ReleaseResources();
    m_sink.Deliver(failure);
}

bool CompileSession::Launch(const std::string& compilerPath)
{
    std::string program = compilerPath.empty() ? LocateProgram(kCompilerName) : compilerPath;
    if (program.empty())
        return false;
    char* argv[] = {program.data(), m_channelName.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    m_compiler = pid;
    return true;
}

void CompileSession::Monitor()
{
    int finalText = kEnded;
    try {
        for (unsigned idle = 0;;) {
            ProcessState state = PollProcess(m_compiler, &m_exitStatus);
            if (state == ProcessState::Failed) {
                finalText = kInternalError;
                break;
            }
            bool delivered = false;
            if (m_channel->MessagePending() && !m_channel->CancelRequested()) {
                m_sink.Deliver(m_channel->MessageText());
                m_channel->SetMessagePending(false);
                delivered = true;
            }
            if (m_channel->CancelRequested()) {
                finalText = kCancelled;
                break;
            }
            if (state == ProcessState::Ended) {
                finalText = kEnded;
                break;
            }
            // Stay close to a busy compiler; back off when it is quiet.
            idle = delivered ? 0 : idle + 1;
            if (idle > 200)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            else if (idle > 0)
                std::this_thread::yield();
        }
        m_sink.Deliver(Text(finalText));
    } catch (const std::exception& error) {
        // The description is UTF-8; the pane shows at most kMaxFailureUnits of it.
        m_sink.Deliver(QString::fromUtf8(error.what()).left(kMaxFailureUnits).toStdU16String());
    }
    ReleaseResources();
    m_monitorRunning = false;
}

void CompileSession::RequestCancel()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_channel)
        m_channel->RequestCancel();
}

void CompileSession::ReleaseResources()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_channel)
        m_channel->RequestCancel();
    m_channel.reset();
    m_block.reset();
    ReapLater(m_compiler);
    m_compiler = -1;
}

void CompileSession::Join()
{
    if (m_monitor.joinable())
        m_monitor.join();
}

} // namespace kdx

#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>

namespace kdx {

class CMappedMemory;
class CompileChannel;

// The editor's side of one compilation at a time: creates the channel block,
// starts the compiler with the block's name, and runs a monitor thread that
// hands each compiler message to the sink, one at a time and in order, until
// the compiler ends or the user cancels. The compiler is never killed;
// cancelling only sets the flag it polls.
class CompileSession {
public:
    // Texts of the session's own outcomes, by the editor's string ids.
    enum TextId {
        kCreateFailed = 21100,     // "*初始化失败\r\n"
        kLaunchFailed = 21101,     // "*未能加载外部组件，请确保“%s”在当前目录\r\n"
        kMonitorFailed = 21102,    // "*无法启动异步信息捕捉\r\n"
        kPathMissing = 21103,      // "*初始化失败\r\n"
        kInternalError = 21104,    // "*内部错误\r\n"
        kCancelled = 21105,        // ">用户取消操作！！！\r\n"
        kEnded = 21106,            // ">已经结束操作\r\n"
        kPathTooLong = 21107,      // "*路径过长，最多259个字符：“%s”\r\n"
    };
    static std::u16string Text(int id);
    // Longest description of an unexpected failure that the pane is given.
    static constexpr int kMaxFailureUnits = 2048;

    // Receives every text of the compilation. Deliver is called on the
    // monitor thread for compiler messages and outcomes, and on the caller's
    // thread for start failures; the text lives only during the call.
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void Deliver(std::u16string_view text) = 0;
    };

    static constexpr const char* kCompilerName = "KDX_TC";

    CompileSession(Sink& sink, uint64_t paneId);
    ~CompileSession(); // cancels and waits for the monitor

    // Starts a compilation; failures are delivered to the sink and leave the
    // session idle. A path longer than the channel holds is refused rather
    // than cut, since a cut output path can name another file (even the
    // project). 'compilerPath' empty means: locate KDX_TC by the usual
    // search order.
    void Start(std::u16string_view projectPath, std::u16string_view outputPath,
               const std::string& compilerPath = {});
    // Sets the cancel flag when a block is open; does not wait.
    void RequestCancel();
    // True from the monitor's start until its clean-up is complete.
    bool MonitorRunning() const { return m_monitorRunning.load(); }
    // Waits for the monitor thread to end. A caller on a user-interface
    // thread whose sink needs that thread must keep processing events while
    // MonitorRunning() is true before calling this.
    void Join();
    const std::string& ChannelName() const { return m_channelName; }
    // The compiler's exit status once the monitor has seen it end (after
    // Join); none after a start failure, a cancel or an abnormal end.
    std::optional<int> CompilerExitStatus() const { return m_exitStatus; }

private:
    void Monitor();
    void ReleaseResources();
    bool Launch(const std::string& compilerPath);

    Sink& m_sink;
    uint64_t m_paneId;
    std::mutex m_lock; // orders the cancel flag against closing the block
    std::unique_ptr<CMappedMemory> m_block;
    std::unique_ptr<CompileChannel> m_channel;
    std::thread m_monitor;
    std::atomic<bool> m_monitorRunning{false};
    pid_t m_compiler = -1;
    std::string m_channelName;
    std::optional<int> m_exitStatus;
};

} // namespace kdx

#include "compile/CompilerDriver.h"

#include "common/Archive.h"
#include "common/BackgroundRelease.h"
#include "common/CMappedMemory.h"
#include "common/LocalPath.h"
#include "channel/CompileChannel.h"
#include "compile/CompileProject.h"

#include <QFileInfo>
#include <QCoreApplication>
#include <QString>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

namespace kdx {
namespace {

constexpr int kFailureExit = -1;

std::string ToLocalPath(const std::u16string& path) { return Utf16ToLocalPath(path); }

// The folder part of an output path ("" for a bare name, which means the
// current folder) must exist.
bool OutputFolderExists(const std::u16string& outputPath)
{
    std::u16string cut = outputPath.substr(0, CompileChannel::kPathUnits - 1);
    size_t slash = cut.find_last_of(u'/');
    if (slash == std::u16string::npos)
        return true;
    std::u16string folder = slash == 0 ? u"/" : cut.substr(0, slash);
    struct stat st {};
    return stat(ToLocalPath(folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Only a missing project is "not there"; a folder, a FIFO or a device is
// there but cannot be a project.
void CheckProjectPath(ChannelReporter& reporter, const std::u16string& path)
{
    struct stat st {};
    if (path.empty() || stat(ToLocalPath(path).c_str(), &st) != 0)
        reporter.Fail(u"*工程文件不存在\r\n");
    if (!S_ISREG(st.st_mode))
        reporter.Fail(u"*工程文件不是普通文件\r\n");
}

// The framework's own diagnostics would mix into the compiler's console
// output; everything the user needs to know travels as a message.
void IgnoreFrameworkMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// The compiler reads and converts images but draws no text and shows no
// window: the core framework is enough (image plug-ins load through it), and
// it spares the start-up of a window system and, at exit, of the desktop's
// font configuration.
std::unique_ptr<QCoreApplication> StartFramework(int& argc, char** argv)
{
    qInstallMessageHandler(IgnoreFrameworkMessages);
    try {
        return std::make_unique<QCoreApplication>(argc, argv);
    } catch (...) {
        return nullptr;
    }
}

// Returns the finished compile, which still holds the frames it wrote.
std::unique_ptr<CompileProject> RunPipeline(ChannelReporter& reporter, int& argc, char** argv)
{
    reporter.EmitMessage(CompilerBanner());
    std::unique_ptr<QCoreApplication> app = StartFramework(argc, argv);
    if (!app)
        reporter.Fail(u"*初始化失败\r\n");

    CompileChannel& channel = *reporter.Channel();
    const std::u16string projectPath = channel.ProjectPath();
    const std::u16string outputPath = channel.OutputPath();
    CheckProjectPath(reporter, projectPath);
    if (!OutputFolderExists(outputPath))
        reporter.Fail(u"*输出文件目录不正确\r\n");
    CompileProject::CheckOutput(ToLocalPath(outputPath), ToLocalPath(projectPath));

    auto compiled = std::make_unique<CompileProject>(reporter);
    CompileProject& project = *compiled;
    reporter.CheckCancel();

    reporter.EmitFormatted(u"\r\n>正在加载工程文件“%s”...\r\n", {std::u16string_view(projectPath)});
    project.LoadProject(ToLocalPath(projectPath));
    reporter.EmitMessage(u"\r\n>已经成功加载工程文件\r\n");
    reporter.CheckCancel();

    reporter.EmitMessage(u"\r\n>正在执行优化操作...\r\n");
    project.Optimize();
    reporter.CheckCancel();
    reporter.EmitMessage(u"\r\n>正在创建内存影像...\r\n");
    project.BuildMemoryImage();
    reporter.CheckCancel();
    reporter.EmitMessage(u"\r\n>正在更新重定位信息...\r\n");
    project.Relocate();
    reporter.CheckCancel();

    reporter.EmitFormatted(u"\r\n>正在输出文件“%s”...\r\n", {std::u16string_view(outputPath)});
    project.WriteOutput(ToLocalPath(outputPath));
    reporter.EmitFormatted(u"\r\n>已经生成文件，共%d字节\r\n", {int64_t(project.MemoryImageSize())});
    return compiled;
}

// Reports an unexpected failure as one "*" line; a cancel seen while
// reporting it ends quietly.
void ReportFailure(ChannelReporter& reporter, std::u16string_view what)
{
    try {
        std::u16string line = u"*";
        line.append(what);
        line.append(u"\r\n");
        reporter.EmitMessage(line);
    } catch (const CompileAbort&) {
    }
}

std::u16string FromUtf8(const char* text) { return QString::fromUtf8(text).toStdU16String(); }

// Cached frames are held open until the compiled file is written, so a large
// project wants more open files than the usual soft limit of 1,024; the
// compiler waits with poll, never select, so any number is safe.
void AllowAllOpenFiles()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

ChannelReporter::~ChannelReporter() = default;

bool ChannelReporter::Open(const std::string& name)
{
    m_block = CMappedMemory::OpenShared(name, CompileChannel::kSize);
    if (!m_block)
        return false;
    m_channel = std::make_unique<CompileChannel>(m_block->Data());
    return true;
}

void ChannelReporter::EmitMessage(std::u16string_view text)
{
    if (!m_channel) {
        std::string out = QString::fromUtf16(text.data(), qsizetype(text.size())).toLocal8Bit().toStdString();
        std::fputs(out.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        return;
    }
    const uint64_t start = TickCountMs();
    for (unsigned polls = 0;; ++polls) {
        if (m_channel->CancelRequested())
            throw CompileAbort{};
        if (!m_channel->MessagePending()) {
            m_channel->SetMessageText(text);
            m_channel->SetMessagePending(true);
            return;
        }
        if (TickCountMs() - start > kGiveUpMs)
            throw CompileAbort{};
        // Spin briefly for a quick editor, then poll each millisecond.
        if (polls < 200)
            sched_yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void ChannelReporter::CheckCancel()
{
    if (m_channel && m_channel->CancelRequested())
        throw CompileAbort{};
}

std::u16string CompilerBanner()
{
    return u"KDX工具链-[KDX触屏工程编译1.0 Beta]\r\n"
           u"版权所有 (C) 2026 KDX工具链开发组，保留所有权利。\r\n";
}

int RunCompiler(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    AllowAllOpenFiles();
    ChannelReporter reporter;
    if (argc != 2) {
        reporter.EmitMessage(CompilerBanner());
        return kFailureExit;
    }
    try {
        if (!reporter.Open(argv[1]))
            reporter.Fail(u"*参数不正确\r\n");
        std::unique_ptr<CompileProject> compiled = RunPipeline(reporter, argc, argv);
        // Whoever started the compiler waits for it to end: it ends at once,
        // without destroying what it built piece by piece, and the space of
        // the compiled file it replaced is freed after it has ended.
        const int replaced = compiled->ReplacedOutput();
        ExitReleasingInBackground(0, replaced >= 0 ? std::span(&replaced, 1) : std::span<const int>());
    } catch (const CompileAbort&) {
    } catch (const CompileFailure& failure) {
        ReportFailure(reporter, failure.what);
    } catch (const ArchiveError& error) {
        ReportFailure(reporter, u"工程文件已经损坏，无法读取：" + FromUtf8(error.what()));
    } catch (const std::bad_alloc&) {
        ReportFailure(reporter, u"内存不足，无法完成编译");
    } catch (const std::exception& error) {
        ReportFailure(reporter, u"发生错误：" + FromUtf8(error.what()));
    }
    return kFailureExit;
}

} // namespace kdx

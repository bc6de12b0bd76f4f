// The virtual terminal facing hosts that misbehave: floods of frames, a host
// that never reads its replies, downloads larger than the terminal's memory,
// and a next upload that starts as soon as one has ended.
#include "tests/upload/UploadTestSupport.h"
#include "upload/Protocol.h"
#include "upload/UploadStrings.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kdx::upload {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// A host on the terminal's line: raw at 115200 and never blocking, so that
// a terminal that stops answering fails the test instead of hanging it.
class RawHost {
public:
    explicit RawHost(const std::string& device) : m_fd(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios t{};
        if (m_fd >= 0 && tcgetattr(m_fd, &t) == 0) {
            cfmakeraw(&t);
            cfsetspeed(&t, B115200);
            tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~RawHost()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }

    // Writes everything, waiting for room at most 10 s in all.
    bool Write(const Bytes& bytes)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += size_t(n);
            else if (Clock::now() > deadline)
                return false;
            else
                WaitFor(POLLOUT);
        }
        return true;
    }

    // Reads 'count' bytes, waiting at most 10 s.
    Bytes Read(size_t count)
    {
        Bytes got;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (got.size() < count && Clock::now() < deadline) {
            uint8_t buffer[256];
            const ssize_t n = read(m_fd, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0)
                got.insert(got.end(), buffer, buffer + n);
            else
                WaitFor(POLLIN);
        }
        return got;
    }

    // One whole download: announce, then blocks of 4096 bytes.
    bool Download(const Bytes& image)
    {
        if (!Write(BeginDownloadFrame(800, 480, uint32_t(image.size()))) || Read(1) != Bytes{kReplyAccepted})
            return false;
        for (size_t at = 0; at < image.size(); at += kMaxBlock) {
            const size_t n = std::min(kMaxBlock, image.size() - at);
            if (!Write(DataBlock(std::span(image).subspan(at, n))) || Read(1) != Bytes{kReplyAccepted})
                return false;
        }
        return true;
    }

private:
    void WaitFor(short events)
    {
        pollfd p{m_fd, events, 0};
        poll(&p, 1, 20);
    }

    int m_fd;
};

Bytes Repeated(const Bytes& frame, size_t times)
{
    Bytes all;
    for (size_t i = 0; i < times; ++i)
        all.insert(all.end(), frame.begin(), frame.end());
    return all;
}

// KDX_VT as a user starts it, with its device path read from its first line.
class TerminalProgram {
public:
    explicit TerminalProgram(const QStringList& args)
    {
        m_process.start(QStringLiteral(KDX_BIN_DIR "/KDX_VT"), args);
        if (m_process.waitForStarted(10000) && m_process.waitForReadyRead(10000))
            m_device = QString::fromUtf8(m_process.readLine()).trimmed().toStdString();
    }
    ~TerminalProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    const std::string& Device() const { return m_device; }

    // Sends the signal; true when the program then ends within a generous
    // guard (a hang guard, not a measure).
    bool EndsOn(int signal)
    {
        ::kill(pid_t(m_process.processId()), signal);
        return m_process.waitForFinished(20000);
    }
    QString Errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    std::string m_device;
};

TEST(TerminalSide, AFloodOfFramesKeepsABoundedHistoryAndIsAnswered)
{
    vterm::VirtualTerminal terminal;
    ASSERT_TRUE(terminal.Start());
    RawHost host(terminal.DevicePath());
    ASSERT_TRUE(host.IsOpen());
    // Stray bytes between the frames, read back in one piece with them.
    Bytes flood;
    for (int i = 0; i < 3000; ++i) {
        const Bytes detect = DetectFrame();
        flood.insert(flood.end(), detect.begin(), detect.end());
        flood.insert(flood.end(), {kFrameStart, 0xFF, 0xFF});
    }
    std::thread reader([&] { host.Read(3000 * 16); });
    ASSERT_TRUE(host.Write(flood));
    reader.join();
    const auto commands = terminal.Commands();
    EXPECT_EQ(commands.size(), vterm::VirtualTerminal::kCommandHistory);
    EXPECT_EQ(commands.back().command, kCmdDetect);
}

TEST(TerminalSide, ADownloadLargerThanTheMemoryIsAnsweredNoSpace)
{
    vterm::TerminalOptions small;
    small.memoryBytes = 5000;
    vterm::VirtualTerminal terminal(small);
    ASSERT_TRUE(terminal.Start());
    RawHost host(terminal.DevicePath());
    ASSERT_TRUE(host.Write(BeginDownloadFrame(800, 480, 0xFFFFFFFF)));
    EXPECT_EQ(host.Read(1), Bytes{kReplyNoSpace});
    ASSERT_TRUE(host.Write(BeginDownloadFrame(800, 480, 5001)));
    EXPECT_EQ(host.Read(1), Bytes{kReplyNoSpace});
    EXPECT_FALSE(terminal.Downloading());
    // What fits is taken, and the refusals left nothing behind.
    const Bytes image = test::PatternBytes(5000);
    ASSERT_TRUE(host.Download(image));
    EXPECT_EQ(terminal.LastFinished().image, image);

    // The uploader tells the user.
    test::TempDir dir;
    test::WriteSealedFile(dir.File("big.kdpbin"), test::PatternBytes(6000));
    const test::RunResult run = test::RunUpload(terminal.DevicePath(), dir.File("big.kdpbin"), 115200);
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.lines.last(), LoadString(IDS_NO_SPACE));
}

TEST(TerminalSide, AHostThatDoesNotReadNeitherBlocksTheTerminalNorItsEnd)
{
    vterm::VirtualTerminal terminal;
    ASSERT_TRUE(terminal.Start());
    {
        RawHost host(terminal.DevicePath());
        // 20,000 detect replies of 16 bytes: far more than the line buffers.
        ASSERT_TRUE(host.Write(Repeated(DetectFrame(), 20000)));
        // The terminal still takes frames and answers questions.
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (terminal.Commands().size() < vterm::VirtualTerminal::kCommandHistory && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(terminal.Commands().size(), vterm::VirtualTerminal::kCommandHistory);
    }
    terminal.Stop();

    // The program ends on SIGTERM and on SIGINT while its host does not read.
    for (int signal : {SIGTERM, SIGINT}) {
        TerminalProgram program({});
        ASSERT_FALSE(program.Device().empty());
        RawHost host(program.Device());
        ASSERT_TRUE(host.Write(Repeated(DetectFrame(), 20000)));
        EXPECT_TRUE(program.EndsOn(signal)) << signal;
    }
}

TEST(TerminalSide, TheOutImageSurvivesANextDownloadStartingAtOnce)
{
    test::TempDir dir;
    const std::string out = dir.File("received.img");
    TerminalProgram program({"--out", QString::fromStdString(out)});
    ASSERT_FALSE(program.Device().empty());
    RawHost host(program.Device());
    const Bytes first = test::PatternBytes(9000, 7);
    ASSERT_TRUE(host.Download(first));
    // The next upload announces itself before KDX_VT's next look.
    ASSERT_TRUE(host.Write(BeginDownloadFrame(800, 480, 4000)));
    EXPECT_EQ(host.Read(1), Bytes{kReplyAccepted});
    Bytes written;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (written != first && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(out, std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(written, first);
}

TEST(TerminalSide, AnOutPathThatIsNotARegularFileIsRefusedWithoutHanging)
{
    test::TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TerminalProgram program({"--out", QString::fromStdString(fifo)});
    ASSERT_FALSE(program.Device().empty());
    RawHost host(program.Device());
    ASSERT_TRUE(host.Download(test::PatternBytes(100)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(program.EndsOn(SIGTERM));
    EXPECT_TRUE(program.Errors().contains(QStringLiteral("cannot write"))) << program.Errors().toStdString();
}

} // namespace
} // namespace kdx::upload

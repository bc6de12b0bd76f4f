#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kdx::vterm {

// What the terminal does, including the faults it can be told to make.
struct TerminalOptions {
    int baud = 115200;                    // the rate the terminal listens at
    bool emulateLineRate = false;         // pace replies as a real line would (10 bits a byte)
    // Block indexes count the blocks accepted in the current download.
    std::map<int, int> crcErrors;         // data block index -> how many times to answer 0xFC
    bool silent = false;                  // never answers anything
    std::optional<uint8_t> downloadReply; // answer to the download announce instead of 0xFA
    std::optional<uint8_t> blockReply;    // answer to every data block instead of the real one
    int dropAfterBlocks = -1;             // hang up after accepting this many blocks
    int silentFromBlock = -1;             // stop answering once this many blocks are accepted
    uint16_t detectReplyLength = 16;      // total length L in the detect reply
    // A pause this long with no byte while a download or a frame is under
    // way drops it, so that the next upload is answered from the start.
    int pauseMs = 1500;
    // The terminal's memory: a larger download is answered "no space".
    uint32_t memoryBytes = 64u << 20;
};

// The last download received whole; 'number' counts completed downloads.
struct FinishedDownload {
    int number = 0;
    std::vector<uint8_t> image;
    uint16_t width = 0;
    uint16_t height = 0;
};

// One command frame the terminal understood.
struct ReceivedCommand {
    uint8_t command = 0;
    std::vector<uint8_t> payload;
    int terminalBaud = 0; // the terminal's rate when it arrived
};

// A terminal on the master side of a pseudo-terminal pair. The host opens
// the slave side (DevicePath) as its serial port. A pseudo-terminal has no
// real line rate, so the terminal compares its own rate with the speed the
// host configured on the slave (read with tcgetattr) and drops whatever the
// host sends at another rate, as a real line would garble it.
class VirtualTerminal {
public:
    explicit VirtualTerminal(TerminalOptions options = {});
    ~VirtualTerminal();
    VirtualTerminal(const VirtualTerminal&) = delete;
    VirtualTerminal& operator=(const VirtualTerminal&) = delete;

    // Opens the pair and starts answering; false with a reason on failure.
    bool Start(std::string* error = nullptr);
    void Stop();
    const std::string& DevicePath() const { return m_devicePath; }

    // What arrived so far.
    std::vector<uint8_t> Image() const;
    // The most recent commands (at most kCommandHistory).
    std::vector<ReceivedCommand> Commands() const;
    // Kept apart from the download under way, so that a next upload starting
    // at once cannot take it away before it is saved.
    FinishedDownload LastFinished() const;
    int BlocksReceived() const;   // data blocks, retransmissions included
    bool DownloadComplete() const;
    bool Downloading() const;
    size_t ReceivedBytes() const;  // of the download under way or last completed
    int DownloadsCompleted() const;
    int DownloadsDropped() const;  // interrupted downloads given up after a pause
    int CurrentBaud() const;
    uint32_t AnnouncedSize() const;
    uint16_t AnnouncedWidth() const;
    uint16_t AnnouncedHeight() const;
    size_t DiscardedBytes() const; // sent by the host at a rate the terminal was not at

    // The speed the host set on its side of the line; 0 when unknown.
    int HostBaud() const;

    static constexpr size_t kCommandHistory = 1000;
    // Replies the host has not read yet, as the line's driver would buffer
    // them; beyond this they are lost, as on a real line.
    static constexpr size_t kUnreadReplyBytes = 64 * 1024;

private:
    using Clock = std::chrono::steady_clock;

    void Run();
    void Process();
    bool ProcessCommand();
    bool ProcessBlock();
    void Reply(const std::vector<uint8_t>& bytes);
    void WriteReplies();
    void WriteDueReplies();
    void Finish();
    struct PollPlan {
        int timeoutMs;
        bool waitWritable;
    };
    PollPlan NextPoll() const;
    void NoteArrival(size_t bytes);
    void HangUp();
    void DropAfterPause();

    TerminalOptions m_options;
    std::string m_devicePath;
    int m_master = -1;
    int m_slave = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_pending; // bytes not yet making a whole frame
    size_t m_pendingStart = 0;      // of m_pending, the bytes already taken
    std::vector<uint8_t> m_image;
    FinishedDownload m_finished;
    std::deque<ReceivedCommand> m_commands;
    // Replies not yet written, each not before its time (the line's pace).
    struct Outgoing {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
    };
    std::deque<Outgoing> m_outgoing;
    size_t m_outgoingBytes = 0;
    bool m_downloading = false;
    bool m_complete = false;
    uint32_t m_size = 0;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
    int m_baud = 0;
    int m_blocks = 0;          // data blocks seen, retransmissions included
    int m_acceptedBlocks = 0;
    std::map<int, int> m_crcErrorsGiven;
    size_t m_discarded = 0;
    int m_completedDownloads = 0;
    int m_droppedDownloads = 0;
    Clock::time_point m_lastActivity{}; // last byte read at the terminal's rate, or last reply
    Clock::time_point m_lineFree{}; // when the bytes received so far have crossed the line
};

// The numeric rate of a termios speed constant, 0 when unknown.
int SpeedToBaud(unsigned speed);
// The custom rate stored on a terminal device (Linux termios2), 0 when none.
int CustomBaudOf(int fd);

} // namespace kdx::vterm

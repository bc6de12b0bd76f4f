#include "terminal/VirtualTerminal.h"

#include "common/Crc32.h"
#include "terminal/UploadWire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kdx::vterm {
namespace {

using namespace kdx::wire;

// No command the terminal knows carries more than this; a longer length
// field means the frame start was a stray byte.
constexpr size_t kMaxCommandPayload = 64;

uint16_t BE16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t BE32(const uint8_t* p) { return uint32_t(BE16(p)) << 16 | BE16(p + 2); }

} // namespace

int SpeedToBaud(unsigned speed)
{
    static const std::pair<unsigned, int> table[] = {
        {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
        {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
        {B230400, 230400}, {B460800, 460800}, {B921600, 921600}, {B500000, 500000},
        {B576000, 576000}, {B1000000, 1000000}};
    for (auto [constant, rate] : table)
        if (constant == speed)
            return rate;
    return 0;
}

VirtualTerminal::VirtualTerminal(TerminalOptions options) : m_options(std::move(options)), m_baud(m_options.baud) {}

VirtualTerminal::~VirtualTerminal() { Stop(); }

bool VirtualTerminal::Start(std::string* error)
{
    auto fail = [&](const char* step) {
        if (error)
            *error = std::string(step) + ": " + std::strerror(errno);
        Stop();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("posix_openpt");
    // Replies never wait for a host that does not read.
    if (fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return fail("fcntl");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char* name = ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_devicePath = name;
    // Holding the slave open keeps the line up between host sessions and
    // lets the terminal read the speed the host configured.
    m_slave = open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        return fail("open slave");
    termios raw{};
    if (tcgetattr(m_slave, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
    }
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void VirtualTerminal::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    HangUp();
}

void VirtualTerminal::HangUp()
{
    if (m_master >= 0)
        close(m_master);
    if (m_slave >= 0)
        close(m_slave);
    m_master = m_slave = -1;
}

int VirtualTerminal::HostBaud() const
{
    termios t{};
    if (m_slave < 0 || tcgetattr(m_slave, &t) != 0)
        return 0;
    int rate = SpeedToBaud(cfgetospeed(&t));
    return rate ? rate : CustomBaudOf(m_slave);
}

void VirtualTerminal::Run()
{
    std::vector<uint8_t> chunk(65536);
    while (!m_stop && m_master >= 0) {
        WriteReplies();
        const PollPlan plan = NextPoll();
        pollfd p{m_master, short(POLLIN | (plan.waitWritable ? POLLOUT : 0)), 0};
        if (poll(&p, 1, plan.timeoutMs) <= 0 || !(p.revents & POLLIN)) {
            DropAfterPause();
            continue;
        }
        ssize_t n = read(m_master, chunk.data(), chunk.size());
        if (n <= 0)
            continue;
        std::lock_guard lock(m_mutex);
        if (m_options.silent)
            continue;
        const int host = HostBaud();
        if (host != m_baud) {
            m_discarded += size_t(n);
            m_pending.clear();
            m_pendingStart = 0;
            continue;
        }
        NoteArrival(size_t(n));
        m_lastActivity = Clock::now();
        m_pending.insert(m_pending.end(), chunk.begin(), chunk.begin() + n);
        Process();
    }
}

void VirtualTerminal::DropAfterPause()
{
    std::lock_guard lock(m_mutex);
    if (!m_downloading && m_pending.size() == m_pendingStart)
        return;
    if (Clock::now() - m_lastActivity < std::chrono::milliseconds(m_options.pauseMs))
        return;
    // The host has stopped in the middle (an upload cancelled or a cable
    // pulled): what arrived of this download is given up.
    if (m_downloading) {
        m_downloading = false;
        ++m_droppedDownloads;
    }
    m_pending.clear();
    m_pendingStart = 0;
}

void VirtualTerminal::Process()
{
    // Frames are taken by moving the start mark; the bytes before it are
    // removed once, so that a flood of stray bytes costs linear time.
    while (m_master >= 0 && (m_downloading ? ProcessBlock() : ProcessCommand())) {
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + ptrdiff_t(std::min(m_pendingStart, m_pending.size())));
    m_pendingStart = 0;
}

bool VirtualTerminal::ProcessCommand()
{
    const auto end = m_pending.end();
    const auto start = std::find(m_pending.begin() + ptrdiff_t(m_pendingStart), end, kFrameStart);
    m_pendingStart = size_t(start - m_pending.begin());
    const uint8_t* frame = m_pending.data() + m_pendingStart;
    const size_t available = m_pending.size() - m_pendingStart;
    if (available < 4)
        return false;
    const size_t length = BE16(&frame[2]);
    const size_t total = 4 + length + kFrameTrailer.size();
    if (length > kMaxCommandPayload) {
        ++m_pendingStart;
        return true;
    }
    if (available < total)
        return false;
    if (!std::equal(kFrameTrailer.begin(), kFrameTrailer.end(), frame + 4 + length)) {
        ++m_pendingStart;
        return true;
    }
    ReceivedCommand command{frame[1], {frame + 4, frame + 4 + length}, m_baud};
    m_pendingStart += total;
    m_commands.push_back(command);
    if (m_commands.size() > kCommandHistory)
        m_commands.pop_front();
    const std::vector<uint8_t>& payload = command.payload;

    switch (command.command) {
    case kCmdDetect: {
        const uint16_t l = m_options.detectReplyLength;
        std::vector<uint8_t> reply{kReplyAccepted, uint8_t(l >> 8), uint8_t(l)};
        for (size_t i = kDetectHead; i < l; ++i)
            reply.push_back(uint8_t('A' + i % 26)); // model text; the host ignores it
        Reply(reply);
        break;
    }
    case kCmdSetBaud: {
        if (payload.size() != 5 || !std::equal(kSetBaudMagic.begin(), kSetBaudMagic.end(), payload.begin()))
            break;
        if (std::optional<int> rate = BaudForCode(payload[4])) {
            Reply({payload[4]}); // answered at the old rate, then switched
            m_baud = *rate;
        }
        break;
    }
    case kCmdBeginDownload: {
        if (payload.size() != 8)
            break;
        const uint32_t size = BE32(&payload[4]);
        const uint8_t reply =
            m_options.downloadReply.value_or(size > m_options.memoryBytes ? kReplyNoSpace : kReplyAccepted);
        if (reply != kReplyAccepted) {
            Reply({reply});
            break;
        }
        m_width = BE16(&payload[0]);
        m_height = BE16(&payload[2]);
        m_size = size;
        Reply({reply});
        if (reply == kReplyAccepted) {
            m_image.clear();
            // Faults are counted per download.
            m_acceptedBlocks = 0;
            m_crcErrorsGiven.clear();
            m_complete = false;
            m_downloading = m_size > 0;
            if (m_size == 0)
                Finish();
        }
        break;
    }
    default: break;
    }
    return true;
}

bool VirtualTerminal::ProcessBlock()
{
    const uint8_t* block = m_pending.data() + m_pendingStart;
    const size_t available = m_pending.size() - m_pendingStart;
    if (available < kBlockHeader)
        return false;
    const size_t n = BE16(&block[0]);
    const size_t left = m_size - m_image.size();
    if (block[0] == kFrameStart) {
        // No block is 0xFD00 bytes or longer, so this is the start of a
        // command: the host has given up this download and begun again.
        m_downloading = false;
        ++m_droppedDownloads;
        return true;
    }
    if (n == 0 || n > kMaxBlock || n > left) {
        // Not a block header: ask for the block again from a clean start.
        m_pendingStart = m_pending.size();
        Reply({kReplyCrcError});
        return false;
    }
    if (available < kBlockHeader + n)
        return false;
    const uint32_t crc = BE32(&block[2]);
    std::vector<uint8_t> data(block + kBlockHeader, block + kBlockHeader + n);
    m_pendingStart += kBlockHeader + n;
    ++m_blocks;

    if (m_acceptedBlocks == m_options.dropAfterBlocks) {
        HangUp();
        return false;
    }
    if (m_acceptedBlocks == m_options.silentFromBlock)
        return true;
    if (m_options.blockReply && *m_options.blockReply != kReplyAccepted) {
        Reply({*m_options.blockReply});
        return true;
    }
    auto injected = m_options.crcErrors.find(m_acceptedBlocks);
    if (injected != m_options.crcErrors.end() && m_crcErrorsGiven[m_acceptedBlocks] < injected->second) {
        ++m_crcErrorsGiven[m_acceptedBlocks];
        Reply({kReplyCrcError});
        return true;
    }
    if (ComputeCrc32(data) != crc) {
        Reply({kReplyCrcError});
        return true;
    }
    m_image.insert(m_image.end(), data.begin(), data.end());
    ++m_acceptedBlocks;
    if (m_image.size() >= m_size)
        Finish();
    Reply({kReplyAccepted});
    return true;
}

void VirtualTerminal::Finish()
{
    m_downloading = false;
    m_complete = true;
    ++m_completedDownloads;
    m_finished = {m_completedDownloads, m_image, m_width, m_height};
}

void VirtualTerminal::NoteArrival(size_t bytes)
{
    if (!m_options.emulateLineRate)
        return;
    const auto lineTime = std::chrono::duration<double>(double(bytes) * 10.0 / m_baud);
    m_lineFree = std::max(m_lineFree, Clock::now()) + std::chrono::duration_cast<Clock::duration>(lineTime);
}

void VirtualTerminal::Reply(const std::vector<uint8_t>& bytes)
{
    Clock::time_point due = Clock::now();
    if (m_options.emulateLineRate) {
        // The reply can start once the request has crossed the line, and
        // takes its own time to come back.
        NoteArrival(bytes.size());
        due = m_lineFree;
    }
    if (m_outgoingBytes + bytes.size() > kUnreadReplyBytes)
        return;
    m_outgoing.push_back({due, bytes});
    m_outgoingBytes += bytes.size();
    WriteDueReplies();
}

// Writes the replies whose time has come, as far as the host's side takes
// them without waiting. Called with the mutex held.
void VirtualTerminal::WriteDueReplies()
{
    while (!m_outgoing.empty() && m_master >= 0 && m_outgoing.front().due <= Clock::now()) {
        std::vector<uint8_t>& bytes = m_outgoing.front().bytes;
        const ssize_t n = write(m_master, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // full (or gone): tried again on the next turn
        m_outgoingBytes -= size_t(n);
        bytes.erase(bytes.begin(), bytes.begin() + n);
        if (bytes.empty())
            m_outgoing.pop_front();
        // The host's next bytes follow the reply; the pause is counted from here.
        m_lastActivity = Clock::now();
    }
}

void VirtualTerminal::WriteReplies()
{
    std::lock_guard lock(m_mutex);
    WriteDueReplies();
}

VirtualTerminal::PollPlan VirtualTerminal::NextPoll() const
{
    // The stop flag and the pause are looked at every 20 ms at least.
    std::lock_guard lock(m_mutex);
    if (m_outgoing.empty())
        return {20, false};
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_outgoing.front().due - Clock::now()).count();
    if (wait <= 0)
        return {20, true}; // due, but the host has not made room yet
    return {int(std::min<int64_t>(wait, 20)), false};
}

std::vector<uint8_t> VirtualTerminal::Image() const
{
    std::lock_guard lock(m_mutex);
    return m_image;
}

std::vector<ReceivedCommand> VirtualTerminal::Commands() const
{
    std::lock_guard lock(m_mutex);
    return {m_commands.begin(), m_commands.end()};
}

FinishedDownload VirtualTerminal::LastFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

int VirtualTerminal::BlocksReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_blocks;
}

bool VirtualTerminal::DownloadComplete() const
{
    std::lock_guard lock(m_mutex);
    return m_complete;
}

bool VirtualTerminal::Downloading() const
{
    std::lock_guard lock(m_mutex);
    return m_downloading;
}

size_t VirtualTerminal::ReceivedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_image.size();
}

int VirtualTerminal::DownloadsCompleted() const
{
    std::lock_guard lock(m_mutex);
    return m_completedDownloads;
}

int VirtualTerminal::DownloadsDropped() const
{
    std::lock_guard lock(m_mutex);
    return m_droppedDownloads;
}

int VirtualTerminal::CurrentBaud() const
{
    std::lock_guard lock(m_mutex);
    return m_baud;
}

uint32_t VirtualTerminal::AnnouncedSize() const
{
    std::lock_guard lock(m_mutex);
    return m_size;
}

uint16_t VirtualTerminal::AnnouncedWidth() const
{
    std::lock_guard lock(m_mutex);
    return m_width;
}

uint16_t VirtualTerminal::AnnouncedHeight() const
{
    std::lock_guard lock(m_mutex);
    return m_height;
}

size_t VirtualTerminal::DiscardedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_discarded;
}

} // namespace kdx::vterm

#include "upload/Protocol.h"

#include "upload/UploadStrings.h"

#include <algorithm>
#include <chrono>

namespace kdx::upload {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

UploadProtocol::UploadProtocol(ISerialPort& port, const std::atomic<bool>& cancel, LogFn log,
                               UploadTimeouts timeouts)
    : m_port(port), m_cancel(cancel), m_log(std::move(log)), m_timeouts(timeouts)
{
}

void UploadProtocol::Abort(int stringId)
{
    m_log(LoadString(stringId));
    throw UploadAborted{};
}

void UploadProtocol::ThrowIfCancelled()
{
    if (m_cancel.load())
        Abort(IDS_CANCELLED);
}

bool UploadProtocol::Configure(int rate)
{
    if (!m_port.IsOpen() && !m_port.Open())
        return false;
    if (!m_port.SetLineSettings(rate)) {
        m_port.Close();
        return false;
    }
    m_port.PurgeAll();
    return true;
}

bool UploadProtocol::Send(std::span<const uint8_t> bytes)
{
    ThrowIfCancelled();
    m_port.FlushOutput();
    m_port.PurgeInput();
    return m_port.Write(bytes.data(), bytes.size()) == static_cast<long long>(bytes.size());
}

size_t UploadProtocol::Receive(uint8_t* buffer, size_t wanted, int timeoutMs)
{
    // The wait ends as soon as the last wanted byte arrives; the cancel flag
    // is looked at between waits of at most one poll interval.
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, m_timeouts.pollMs));
    size_t got = 0;
    for (;;) {
        ThrowIfCancelled();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int wait = int(std::clamp<long long>(left.count(), 0, m_timeouts.pollMs));
        long long n = m_port.Read(buffer + got, wanted - got, wait);
        if (n < 0)
            return got;
        got += size_t(n);
        if (got >= wanted || Clock::now() >= deadline)
            return got;
    }
}

bool UploadProtocol::Detect()
{
    if (!Send(DetectFrame()))
        return false;
    uint8_t head[kDetectHead];
    if (Receive(head, kDetectHead, m_timeouts.detectMs) != kDetectHead || head[0] != kReplyAccepted)
        return false;
    const size_t length = size_t(head[1] << 8 | head[2]);
    if (length <= kDetectHead || length >= kDetectMaxLength)
        return false;
    std::vector<uint8_t> rest(length - kDetectHead);
    return Receive(rest.data(), rest.size(), m_timeouts.replyMs) == rest.size();
}

bool UploadProtocol::SetBaud(int rate)
{
    std::optional<uint8_t> code = BaudCode(rate);
    if (!code || !Send(SetBaudFrame(*code)))
        return false;
    uint8_t reply = 0;
    return Receive(&reply, 1, m_timeouts.replyMs) == 1 && reply == *code;
}

void UploadProtocol::Connect(int rate)
{
    m_log(FormatString(IDS_CONNECTING, rate));
    if (!Configure(rate)) {
        // Lack of permission is the usual first-day failure on Linux: say
        // which group the user must join.
        if (const std::string group = m_port.DeniedGroup(); !group.empty()) {
            m_log(LoadString(IDS_PORT_ERROR));
            m_log(FormatString(IDS_PORT_GROUP_HINT, group.c_str(), group.c_str()));
            throw UploadAborted{};
        }
        Abort(IDS_PORT_ERROR);
    }
    if (Detect()) {
        m_log(LoadString(IDS_CONNECTED));
        return;
    }
    bool found = false;
    for (const BaudEntry& e : kBaudTable) {
        if (e.rate == rate)
            continue;
        m_log(FormatString(IDS_CONNECTING, e.rate));
        if (Configure(e.rate) && Detect()) {
            found = true;
            break;
        }
    }
    if (!found)
        Abort(IDS_NO_TERMINAL);
    m_log(LoadString(IDS_CONNECTED));
    if (!SetBaud(rate) || !Configure(rate))
        Abort(IDS_BAUD_NOT_SET);
    m_log(FormatString(IDS_BAUD_SET, rate));
}

void UploadProtocol::BeginDownload(uint16_t width, uint16_t height, uint32_t size)
{
    if (!Send(BeginDownloadFrame(width, height, size)))
        Abort(IDS_SEND_ERROR);
    uint8_t reply = 0;
    if (Receive(&reply, 1, m_timeouts.replyMs) != 1)
        Abort(IDS_REPLY_ERROR);
    switch (reply) {
    case kReplyAccepted: return;
    case kReplyModelMismatch: Abort(IDS_MODEL_MISMATCH);
    case kReplyNoSpace: Abort(IDS_NO_SPACE);
    default: Abort(IDS_UNKNOWN_REPLY);
    }
}

void UploadProtocol::SendImage(std::span<const uint8_t> image)
{
    const auto start = Clock::now();
    const size_t size = image.size();
    size_t sent = 0;
    int retries = 0;
    int lastPercent = 0;
    while (sent < size) {
        const size_t n = std::min(size - sent, kMaxBlock);
        const std::vector<uint8_t> block = DataBlock(image.subspan(sent, n));
        for (;;) {
            if (!Send(block))
                Abort(IDS_SEND_ERROR);
            uint8_t reply = 0;
            if (Receive(&reply, 1, m_timeouts.replyMs) != 1)
                Abort(IDS_REPLY_ERROR);
            if (reply == kReplyAccepted)
                break;
            if (reply != kReplyCrcError)
                Abort(IDS_UNKNOWN_REPLY);
            if (retries >= m_timeouts.crcRetries)
                throw UploadAborted{}; // the last retry line already tells why
            ++retries;
            m_log(FormatString(IDS_CRC_RETRY, retries));
        }
        sent += n;
        retries = 0;
        const int percent = int(uint64_t(sent) * 100 / size);
        if (percent != lastPercent) {
            ReportProgress(sent, size, MillisecondsSince(start));
            lastPercent = percent;
        }
    }
}

void UploadProtocol::ReportProgress(size_t sent, size_t size, double elapsedMs)
{
    const double seconds = std::max(elapsedMs / 1000.0, 0.001);
    const double speed = std::max(double(sent) / seconds, 0.001);
    const double remaining = double(size - sent) / speed;
    const unsigned percent = unsigned(uint64_t(sent) * 100 / size);
    m_log(FormatString(IDS_PROGRESS, unsigned(sent), percent, speed, remaining));
    if (m_progress)
        m_progress(int(percent));
}

} // namespace kdx::upload

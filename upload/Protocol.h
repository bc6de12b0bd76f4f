#pragma once
#include "terminal/UploadWire.h"
#include "upload/SerialPort.h"

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kdx::upload {

// The bytes on the line are the terminal's format, shared with its side.
using namespace kdx::wire;

struct UploadTimeouts {
    int replyMs = 25000;
    int pollMs = 50;
    int crcRetries = 3;
    int detectMs = 300;
};

// Thrown to end an upload after its message has been logged.
struct UploadAborted {};

// The host side of the terminal's upload protocol over one port. Every
// failure logs its line and throws UploadAborted; so does a cancel request,
// which is seen before every send and at least once per poll interval.
class UploadProtocol {
public:
    using LogFn = std::function<void(const QString&)>;
    using ProgressFn = std::function<void(int percent)>;

    UploadProtocol(ISerialPort& port, const std::atomic<bool>& cancel, LogFn log,
                   UploadTimeouts timeouts = {});
    void SetProgressCallback(ProgressFn progress) { m_progress = std::move(progress); }

    void Connect(int rate);
    void BeginDownload(uint16_t width, uint16_t height, uint32_t size);
    void SendImage(std::span<const uint8_t> image);

    // The steps Connect is made of.
    bool Configure(int rate);
    bool Send(std::span<const uint8_t> bytes);
    size_t Receive(uint8_t* buffer, size_t wanted, int timeoutMs);
    bool Detect();
    bool SetBaud(int rate);

    [[noreturn]] void Abort(int stringId);
    void ThrowIfCancelled();

private:
    void ReportProgress(size_t sent, size_t size, double elapsedMs);

    ISerialPort& m_port;
    const std::atomic<bool>& m_cancel;
    LogFn m_log;
    ProgressFn m_progress;
    UploadTimeouts m_timeouts;
};

} // namespace kdx::upload

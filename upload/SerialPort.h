#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kdx::upload {

// The few port operations the upload protocol needs. Implementations are
// used from one thread at a time (the worker's).
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    virtual bool IsOpen() const = 0;
    virtual bool Open() = 0;
    // 8 data bits, no parity, one stop bit, no flow control, DTR and RTS off.
    virtual bool SetLineSettings(int baud) = 0;
    // Clears pending errors and discards both directions.
    virtual void PurgeAll() = 0;
    virtual void PurgeInput() = 0;
    // Hands everything written so far to the device.
    virtual bool FlushOutput() = 0;
    // Returns the number of bytes written, or -1 on failure.
    virtual long long Write(const uint8_t* data, size_t size) = 0;
    // Returns what has arrived, waiting at most 'waitMs' for the first byte
    // and returning as soon as any is there; 0 when nothing came, -1 on failure.
    virtual long long Read(uint8_t* buffer, size_t capacity, int waitMs) = 0;
    virtual void Close() = 0;
    virtual std::string LastError() const = 0;
    // The group owning the device, when the last Open failed because the
    // user may not read and write it; empty otherwise.
    virtual std::string DeniedGroup() const { return {}; }
};

// A port on a device path (for example /dev/ttyUSB0 or a pseudo-terminal),
// driven by QSerialPort. Create and use it on the thread that uploads.
std::unique_ptr<ISerialPort> CreateSerialPort(const std::string& devicePath);

} // namespace kdx::upload

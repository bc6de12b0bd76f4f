#include "upload/SerialPort.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx::upload {
namespace {

// How long a write may make no progress before it counts as failed; long
// enough for a full block at the slowest rate.
constexpr int kWriteStallMs = 60000;

class QtSerialPort final : public ISerialPort {
public:
    explicit QtSerialPort(const std::string& path) { m_port.setPortName(QString::fromStdString(path)); }
    ~QtSerialPort() override { Close(); }

    bool IsOpen() const override { return m_port.isOpen(); }

    bool Open() override
    {
        if (m_port.isOpen())
            return true;
        m_deniedGroup.clear();
        if (!m_port.open(QIODevice::ReadWrite)) {
            m_deniedGroup = GroupDenyingAccess(m_port.portName().toStdString());
            return Fail();
        }
        return true;
    }

    bool SetLineSettings(int baud) override
    {
        bool ok = m_port.setBaudRate(baud) && m_port.setDataBits(QSerialPort::Data8) &&
                  m_port.setParity(QSerialPort::NoParity) &&
                  m_port.setStopBits(QSerialPort::OneStop) &&
                  m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (!ok)
            return Fail();
        // Lines without modem signals (pseudo-terminals, some adapters)
        // refuse these; the terminal does not use them either way.
        m_port.setDataTerminalReady(false);
        m_port.setRequestToSend(false);
        m_port.clearError();
        return true;
    }

    void PurgeAll() override
    {
        m_port.clearError();
        m_port.clear(QSerialPort::AllDirections);
    }

    void PurgeInput() override { m_port.clear(QSerialPort::Input); }

    bool FlushOutput() override
    {
        m_port.flush();
        return m_port.bytesToWrite() == 0 || Drain();
    }

    long long Write(const uint8_t* data, size_t size) override
    {
        qint64 queued = m_port.write(reinterpret_cast<const char*>(data), qint64(size));
        if (queued < 0)
            return Fail(), -1;
        if (!Drain())
            return -1;
        return queued;
    }

    long long Read(uint8_t* buffer, size_t capacity, int waitMs) override
    {
        if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(waitMs)) {
            if (IsHardError(m_port.error()))
                return Fail(), -1;
            m_port.clearError();
            return 0;
        }
        qint64 got = m_port.read(reinterpret_cast<char*>(buffer), qint64(capacity));
        if (got < 0)
            return Fail(), -1;
        return got;
    }

    void Close() override
    {
        if (m_port.isOpen())
            m_port.close();
    }

    std::string LastError() const override { return m_lastError; }
    std::string DeniedGroup() const override { return m_deniedGroup; }

private:
    static bool IsHardError(QSerialPort::SerialPortError e)
    {
        return e != QSerialPort::NoError && e != QSerialPort::TimeoutError;
    }

    bool Fail()
    {
        m_lastError = m_port.errorString().toStdString();
        return false;
    }

    // Waits until Qt's write buffer has gone to the device.
    bool Drain()
    {
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        qint64 pending = m_port.bytesToWrite();
        while (pending > 0) {
            if (!m_port.waitForBytesWritten(100) && IsHardError(m_port.error()))
                return Fail();
            m_port.clearError();
            qint64 now = m_port.bytesToWrite();
            if (now < pending)
                sinceProgress.restart();
            else if (sinceProgress.elapsed() > kWriteStallMs)
                return Fail();
            pending = now;
        }
        return true;
    }

    // The name (or number) of the group owning a device that the user may
    // not open for reading and writing; empty when that is not the reason.
    static std::string GroupDenyingAccess(const std::string& path)
    {
        const std::string device = path.rfind('/', 0) == 0 ? path : "/dev/" + path;
        struct stat info {};
        if (::access(device.c_str(), R_OK | W_OK) == 0 || errno != EACCES || ::stat(device.c_str(), &info) != 0)
            return {};
        if (const struct group* g = ::getgrgid(info.st_gid))
            return g->gr_name;
        return std::to_string(info.st_gid);
    }

    QSerialPort m_port;
    std::string m_lastError;
    std::string m_deniedGroup;
};

} // namespace

std::unique_ptr<ISerialPort> CreateSerialPort(const std::string& devicePath)
{
    return std::make_unique<QtSerialPort>(devicePath);
}

} // namespace kdx::upload

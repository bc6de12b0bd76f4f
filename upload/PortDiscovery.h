#pragma once
#include <QString>
#include <vector>

namespace kdx::upload {

struct PortInfo {
    QString friendlyName; // description + " (" + name + ")", or the name alone
    QString devicePath;
};

// The serial ports of the system followed by the device paths listed,
// colon-separated, in the environment variable KDX_EXTRA_PORTS (pseudo-
// terminals and simulators, which the system enumeration does not list).
std::vector<PortInfo> EnumeratePorts();

QString FriendlyPortName(const QString& description, const QString& name);

// Why a device path cannot be a serial port, as the log line to show
// (missing, a folder, a FIFO, not a terminal); empty when it may be one.
// Never blocks: a FIFO is not opened.
QString PortPathProblem(const QString& path);

} // namespace kdx::upload

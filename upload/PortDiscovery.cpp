#include "upload/PortDiscovery.h"

#include <QSerialPortInfo>

namespace kdx::upload {

QString FriendlyPortName(const QString& description, const QString& name)
{
    return description.isEmpty() ? name : description + " (" + name + ")";
}

std::vector<PortInfo> EnumeratePorts()
{
    std::vector<PortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back({FriendlyPortName(info.description(), info.portName()), info.systemLocation()});
    const QString extra = qEnvironmentVariable("KDX_EXTRA_PORTS");
    for (const QString& path : extra.split(':', Qt::SkipEmptyParts))
        ports.push_back({path, path});
    return ports;
}

} // namespace kdx::upload

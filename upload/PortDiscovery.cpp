#include "upload/PortDiscovery.h"
#include "upload/UploadStrings.h"

#include <QFile>
#include <QSerialPortInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString PortPathProblem(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    const QByteArray shown = path.toUtf8();
    struct stat st {};
    if (stat(local.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FormatString(IDS_PORT_MISSING, shown.constData()) : QString();
    if (S_ISDIR(st.st_mode))
        return FormatString(IDS_PORT_IS_FOLDER, shown.constData());
    if (S_ISFIFO(st.st_mode))
        return FormatString(IDS_PORT_IS_FIFO, shown.constData());
    if (!S_ISCHR(st.st_mode))
        return FormatString(IDS_PORT_NOT_TERMINAL, shown.constData());
    const int fd = open(local.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {}; // no permission or busy: opening the port says so
    const bool terminal = isatty(fd);
    close(fd);
    return terminal ? QString() : FormatString(IDS_PORT_NOT_TERMINAL, shown.constData());
}

} // namespace kdx::upload

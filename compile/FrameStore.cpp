#include "compile/FrameStore.h"

#include "common/PositionalIo.h"

#include <QDir>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace kdx {

FrameStore::~FrameStore()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FrameStore::Open(int* error)
{
    if (m_fd >= 0)
        return true;
    const std::string folder = QDir::tempPath().toStdString();
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        // File systems without unnamed files: a named one, removed at once.
        std::string name = folder + "/kdx-frames-XXXXXX";
        m_fd = mkostemp(name.data(), O_CLOEXEC);
        if (m_fd >= 0)
            ::unlink(name.c_str());
    }
    if (m_fd < 0)
        *error = errno;
    return m_fd >= 0;
}

uint64_t FrameStore::Reserve(uint64_t n)
{
    const uint64_t offset = m_size;
    m_size += n;
    return offset;
}

bool FrameStore::Write(uint64_t offset, const void* data, size_t n, int* error) const
{
    return WriteAllAt(m_fd, data, n, offset, error);
}

bool FrameStore::Read(uint64_t offset, void* data, size_t n, int* error) const
{
    return ReadAllAt(m_fd, data, n, offset, error);
}

bool FrameStore::CopyTo(int fd, uint64_t from, uint64_t n, uint64_t to, int* error) const
{
    while (n > 0) {
        loff_t in = loff_t(from), out = loff_t(to);
        const ssize_t done = ::copy_file_range(m_fd, &in, fd, &out, size_t(n), 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break; // not supported between these files: copy through memory
        from += uint64_t(done);
        to += uint64_t(done);
        n -= uint64_t(done);
    }
    std::vector<uint8_t> buffer(n ? std::min<uint64_t>(n, 1 << 20) : 0);
    while (n > 0) {
        const size_t chunk = size_t(std::min<uint64_t>(n, buffer.size()));
        if (!Read(from, buffer.data(), chunk, error))
            return false;
        if (!WriteAllAt(fd, buffer.data(), chunk, to, error))
            return false;
        from += chunk;
        to += chunk;
        n -= chunk;
    }
    return true;
}

} // namespace kdx

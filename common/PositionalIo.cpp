#include "common/PositionalIo.h"

#include <cerrno>
#include <unistd.h>

namespace kdx {
namespace {

template <typename Byte, typename Transfer>
bool TransferAll(int fd, Byte* bytes, size_t n, uint64_t at, int* error, Transfer transfer)
{
    while (n > 0) {
        const ssize_t done = transfer(fd, bytes, n, off_t(at));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            *error = done < 0 ? errno : EIO;
            return false;
        }
        bytes += done;
        at += uint64_t(done);
        n -= size_t(done);
    }
    return true;
}

} // namespace

bool ReadAllAt(int fd, void* data, size_t n, uint64_t at, int* error)
{
    return TransferAll(fd, static_cast<uint8_t*>(data), n, at, error, ::pread);
}

bool WriteAllAt(int fd, const void* data, size_t n, uint64_t at, int* error)
{
    return TransferAll(fd, static_cast<const uint8_t*>(data), n, at, error, ::pwrite);
}

} // namespace kdx

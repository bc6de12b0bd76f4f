#include "common/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {
namespace {

FileReadResult Failure(FileReadError error, int errorNumber = 0)
{
    FileReadResult result;
    result.error = error;
    if (errorNumber != 0)
        result.detail = std::strerror(errorNumber);
    return result;
}

// Closes the descriptor whichever way the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Reads bytes [from, to) of the result's buffer; false with the failure set.
bool ReadInto(int fd, FileReadResult& result, size_t from, size_t to)
{
    while (from < to) {
        const ssize_t n = read(fd, result.bytes.data() + from, to - from);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            result = Failure(FileReadError::ReadFailed, n < 0 ? errno : 0); // 0: shortened while being read
            return false;
        }
        from += size_t(n);
    }
    return true;
}

// Large files (compiled images run to tens of megabytes) are read into
// memory backed by large pages where the system offers them: a few dozen
// page faults instead of thousands, which were most of the time a read took.
void ReserveForFile(std::vector<uint8_t>& bytes, size_t size)
{
    constexpr size_t kLargePage = size_t(2) << 20;
    bytes.reserve(size);
    if (size < 4 * kLargePage)
        return;
    const auto start = reinterpret_cast<uintptr_t>(bytes.data());
    const uintptr_t first = (start + kLargePage - 1) & ~uintptr_t(kLargePage - 1);
    const uintptr_t end = (start + size) & ~uintptr_t(kLargePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE); // only advice: failure is harmless
}

} // namespace

FileReadResult ReadRegularFile(const std::string& path, uint64_t maxBytes, FileHeadCheck headCheck)
{
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0)
        return Failure(FileReadError::CannotOpen, errno);
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0)
        return Failure(FileReadError::CannotOpen, errno);
    if (!S_ISREG(st.st_mode))
        return Failure(FileReadError::NotRegular);
    if (st.st_size < 0 || uint64_t(st.st_size) > maxBytes)
        return Failure(FileReadError::TooLarge);

    const size_t size = size_t(st.st_size);
    FileReadResult result;
    ReserveForFile(result.bytes, size);
    size_t done = 0;
    if (headCheck) {
        done = std::min(size, kFileHeadBytes);
        result.bytes.resize(done);
        if (!ReadInto(fd.Get(), result, 0, done))
            return result;
        if (!headCheck(result.bytes))
            return Failure(FileReadError::WrongKind);
    }
    result.bytes.resize(size);
    ReadInto(fd.Get(), result, done, size);
    return result;
}

std::string DescribeFileReadError(const FileReadResult& result)
{
    switch (result.error) {
    case FileReadError::None: return {};
    case FileReadError::CannotOpen: return "cannot open: " + result.detail;
    case FileReadError::NotRegular: return "not a regular file";
    case FileReadError::TooLarge: return "too large for a project or compiled file";
    case FileReadError::WrongKind: return "neither a project nor a compiled file";
    case FileReadError::ReadFailed:
        return result.detail.empty() ? std::string("the file became shorter while being read")
                                     : "cannot read: " + result.detail;
    }
    return {};
}

QString FileReadReason(const FileReadResult& result)
{
    switch (result.error) {
    case FileReadError::None: return {};
    case FileReadError::NotRegular: return QString::fromUtf16(u"不是普通文件");
    case FileReadError::TooLarge: return QString::fromUtf16(u"文件过大");
    case FileReadError::CannotOpen:
    case FileReadError::WrongKind:
    case FileReadError::ReadFailed: break;
    }
    return result.detail.empty() ? QString::fromUtf16(u"读取失败") : QString::fromLocal8Bit(result.detail);
}

} // namespace kdx

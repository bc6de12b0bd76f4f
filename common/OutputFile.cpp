#include "common/OutputFile.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {
namespace {

constexpr int kMaxLinkHops = 40;
// Not an errno: the target was replaced by something that is no regular
// file while the output was being written.
constexpr int kTargetChanged = -1;

std::string Folder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RealPath(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

OutputTarget Unresolvable(int error)
{
    OutputTarget target;
    target.refusal = OutputRefusal::CannotResolve;
    target.detail = std::strerror(error);
    return target;
}

// Follows symbolic links from 'path' to a name that is not a link (which
// may not exist yet). False with errno set on a loop or an unreadable link.
bool FollowLinks(std::string path, std::string& out)
{
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return false;
            out = path;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        std::string link(size_t(PATH_MAX), '\0');
        const ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return false;
        link.resize(size_t(n));
        path = link.starts_with('/') ? link : Folder(path) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool IsOneOfInputs(const std::string& resolved, const struct stat* outputStat, std::span<const std::string> inputs)
{
    for (const std::string& input : inputs) {
        struct stat in {};
        if (stat(input.c_str(), &in) != 0)
            continue;
        if (outputStat ? SameFile(*outputStat, in) : RealPath(input) == resolved)
            return true;
    }
    return false;
}

mode_t CurrentUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

} // namespace

OutputTarget ResolveOutput(const std::string& path, std::span<const std::string> inputs, bool mayReplace)
{
    std::string final;
    if (path.empty() || !FollowLinks(path, final))
        return Unresolvable(path.empty() ? ENOENT : errno);
    const std::string name = LastName(final);
    if (name.empty() || name == "." || name == "..")
        return Unresolvable(EISDIR);
    const std::string folder = RealPath(Folder(final));
    if (folder.empty())
        return Unresolvable(errno);

    OutputTarget target;
    target.path = (folder == "/" ? folder : folder + "/") + name;
    struct stat st {};
    if (lstat(target.path.c_str(), &st) == 0) {
        target.exists = true;
        if (!S_ISREG(st.st_mode))
            target.refusal = OutputRefusal::NotRegular;
        else if (IsOneOfInputs(target.path, &st, inputs))
            target.refusal = OutputRefusal::SameAsInput;
        else if (!mayReplace)
            target.refusal = OutputRefusal::Exists;
    } else if (errno != ENOENT) {
        return Unresolvable(errno);
    } else if (IsOneOfInputs(target.path, nullptr, inputs)) {
        target.refusal = OutputRefusal::SameAsInput;
    }
    return target;
}

std::u16string DescribeOutputRefusal(const OutputTarget& target)
{
    switch (target.refusal) {
    case OutputRefusal::None: return {};
    case OutputRefusal::NotRegular: return u"不是普通文件，不能写入";
    case OutputRefusal::SameAsInput: return u"与输入文件是同一个文件，不能写入";
    case OutputRefusal::Exists: return u"已经存在，不会被覆盖";
    case OutputRefusal::CannotResolve:
        return u"无法写入：" + QString::fromLocal8Bit(target.detail.c_str()).toStdU16String();
    }
    return {};
}

std::u16string DescribeWriteError(int error)
{
    if (error == kTargetChanged)
        return u"写入期间输出位置被替换成了非普通文件";
    return QString::fromLocal8Bit(std::strerror(error)).toStdU16String();
}

ReplacingWriter::ReplacingWriter(OutputTarget target, Durability durability)
    : m_target(std::move(target)), m_durability(durability)
{
}

ReplacingWriter::~ReplacingWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_replaced >= 0)
        ::close(m_replaced);
    if (!m_tempPath.empty() && !m_committed)
        ::unlink(m_tempPath.c_str());
}

bool ReplacingWriter::Open(int* error)
{
    std::string temp = m_target.path + ".XXXXXX";
    m_fd = mkostemp(temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        *error = errno;
        return false;
    }
    m_tempPath = temp;
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat st {};
    const mode_t mode = m_target.exists && stat(m_target.path.c_str(), &st) == 0 ? (st.st_mode & 07777)
                                                                                 : (0666 & ~CurrentUmask());
    if (fchmod(m_fd, mode) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

bool ReplacingWriter::Write(std::span<const uint8_t> bytes, int* error)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? errno : EIO;
            return false;
        }
        bytes = bytes.subspan(size_t(n));
    }
    return true;
}

bool ReplacingWriter::Commit(int* error)
{
    if (m_durability == Durability::OnDisk && fsync(m_fd) != 0) {
        *error = errno;
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        *error = errno;
        return false;
    }
    struct stat st {};
    const bool exists = lstat(m_target.path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        *error = kTargetChanged;
        return false;
    }
    // A file that can be made again is exchanged with the one it replaces,
    // not renamed over it: renaming over a file makes some file systems
    // (ext4) start writing the new one to the disk at once, which takes
    // longer than writing it did. The old one then goes by its own name.
    if (exists && m_durability == Durability::Remakeable &&
        renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_target.path.c_str(), RENAME_EXCHANGE) == 0) {
        m_committed = true;
        KeepReplaced(m_tempPath);
        ::unlink(m_tempPath.c_str());
        return true;
    }
    KeepReplaced(m_target.path);
    if (std::rename(m_tempPath.c_str(), m_target.path.c_str()) != 0) {
        *error = errno;
        return false;
    }
    m_committed = true;
    return true;
}

void ReplacingWriter::KeepReplaced(const std::string& path)
{
    if (m_keepReplaced && m_replaced < 0)
        m_replaced = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}

int ReplacingWriter::TakeReplaced()
{
    const int fd = m_replaced;
    m_replaced = -1;
    return fd;
}

bool WriteOutputFile(const OutputTarget& target, std::span<const uint8_t> bytes, std::u16string* reason,
                     Durability durability)
{
    ReplacingWriter writer(target, durability);
    int error = 0;
    if (writer.Open(&error) && writer.Write(bytes, &error) && writer.Commit(&error))
        return true;
    if (reason)
        *reason = DescribeWriteError(error);
    return false;
}

} // namespace kdx

#include "common/FrameCache.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "common/PositionalIo.h"
#include "common/Sha256.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

namespace kdx {
namespace {

// Entry layout: magic, key digest, payload size, payload CRC-32, CRC-32 of
// the bytes before it, then the payload.
constexpr char kMagic[8] = {'K', 'D', 'X', 'F', 'R', 'M', '1', 0};
constexpr size_t kDigestAt = 8;
constexpr size_t kSizeAt = 40;
constexpr size_t kCrcAt = 48;
constexpr size_t kHeadCrcAt = 52;
constexpr size_t kHeadSize = 56;
// Entries are read in pieces of this size, which stay in the processor's
// cache from the read to their use.
constexpr size_t kChunkSize = 256 * 1024;

// Times this close to now (or later) may still change without changing:
// a write within the file system's timestamp granularity keeps them.
constexpr time_t kSettledSeconds = 2;
constexpr time_t kStaleTempSeconds = 600;
constexpr const char* kTempPrefix = ".tmp-";

// File systems whose inode numbers or times do not reliably follow changes
// (network and FUSE file systems, FAT-like ones with coarse times).
bool HasUnreliableIdentity(int fd)
{
    struct statfs fs {};
    if (fstatfs(fd, &fs) != 0)
        return true;
    switch (uint32_t(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFE534D42: // SMB2
    case 0xFF534D42: // CIFS
    case 0x65735546: // FUSE
    case 0x01021997: // 9P
    case 0x4D44:     // FAT
    case 0x2011BAB0: // exFAT
    case 0x7366746E: // NTFS
        return true;
    default:
        return false;
    }
}

bool IsRecent(const timespec& t, time_t now) { return t.tv_sec + kSettledSeconds >= now; }

bool ReadAll(int fd, Sha256& hash)
{
    if (lseek(fd, 0, SEEK_SET) != 0)
        return false;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        hash.Update(std::span(buffer).first(size_t(n)));
    }
}

std::string Hex(const uint8_t* bytes, size_t n)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

} // namespace

std::optional<FileIdentity> FileIdentity::Of(int fd) { return Of(fd, time(nullptr)); }

std::optional<FileIdentity> FileIdentity::Of(int fd, time_t now)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileIdentity identity;
    identity.m_byContents = st.st_size <= kHashedSize || st.st_ino == 0 || IsRecent(st.st_mtim, now) ||
                            IsRecent(st.st_ctim, now) || HasUnreliableIdentity(fd);
    if (identity.m_byContents) {
        Sha256 hash;
        if (!ReadAll(fd, hash))
            return std::nullopt;
        const Sha256::Digest digest = hash.Final();
        identity.m_text = "contents:" + std::to_string(st.st_size) + ":" + Hex(digest.data(), digest.size());
    } else {
        identity.m_text = "file:" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
                          std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                          std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_ctim.tv_sec) + "." +
                          std::to_string(st.st_ctim.tv_nsec);
    }
    return identity;
}

CacheKey& CacheKey::Add(std::string_view part)
{
    // Length-prefixed, so that no two sequences of parts run together alike.
    m_parts += std::to_string(part.size());
    m_parts += ':';
    m_parts += part;
    return *this;
}

CacheKey& CacheKey::Add(int64_t value) { return Add(std::to_string(value)); }

std::array<uint8_t, 32> CacheKey::Digest() const
{
    return Sha256::Of({reinterpret_cast<const uint8_t*>(m_parts.data()), m_parts.size()});
}

std::string CacheKey::Hex() const
{
    const std::array<uint8_t, 32> digest = Digest();
    return kdx::Hex(digest.data(), digest.size());
}

CachedBytes::CachedBytes(int fd, std::string path, uint64_t payloadSize, uint32_t crc)
    : m_fd(fd), m_path(std::move(path)), m_size(payloadSize), m_crc(crc)
{
}

CachedBytes::~CachedBytes() { ::close(m_fd); }

template <typename Use>
CachedBytes::Copy CachedBytes::ForEachChunk(Use use) const
{
    // One buffer per thread, reused: it stays in the processor's cache
    // between the read, the CRC and the use.
    thread_local std::vector<uint8_t> buffer(kChunkSize);
    Crc32 crc;
    int error = 0;
    for (uint64_t done = 0; done < m_size;) {
        const size_t want = size_t(std::min<uint64_t>(m_size - done, buffer.size()));
        if (!ReadAllAt(m_fd, buffer.data(), want, kHeadSize + done, &error))
            return Copy::Damaged; // cut short or unreadable: as good as damaged
        const std::span<const uint8_t> chunk(buffer.data(), want);
        crc.Update(chunk);
        if (!use(chunk, done))
            return Copy::WriteFailed;
        done += want;
    }
    return crc.Value() == m_crc ? Copy::Done : Copy::Damaged;
}

// Removes the entry, unless its name has meanwhile been given to another.
void CachedBytes::Discard() const
{
    struct stat held {}, named {};
    if (fstat(m_fd, &held) == 0 && stat(m_path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino)
        ::unlink(m_path.c_str());
}

CachedBytes::Copy CachedBytes::CopyTo(int fd, uint64_t at, int* error) const
{
    const Copy result = ForEachChunk([&](std::span<const uint8_t> chunk, uint64_t offset) {
        return WriteAllAt(fd, chunk.data(), chunk.size(), at + offset, error);
    });
    if (result == Copy::Damaged)
        Discard();
    return result;
}

std::optional<std::vector<uint8_t>> CachedBytes::Read() const
{
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(m_size));
    const Copy result = ForEachChunk([&](std::span<const uint8_t> chunk, uint64_t) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        return true;
    });
    if (result == Copy::Done)
        return bytes;
    Discard();
    return std::nullopt;
}

bool FrameCache::DisabledByEnvironment()
{
    const char* value = std::getenv("KDX_NO_CACHE");
    return value && *value && std::strcmp(value, "0") != 0;
}

std::unique_ptr<FrameCache> FrameCache::OpenDefault()
{
    if (DisabledByEnvironment())
        return nullptr;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.cache";
    else
        return nullptr;
    return OpenAt(base + "/kdx/frames");
}

std::unique_ptr<FrameCache> FrameCache::OpenAt(const std::string& folder, uint64_t limit)
{
    if (!QDir().mkpath(QFile::decodeName(folder.c_str())) || access(folder.c_str(), W_OK | X_OK) != 0)
        return nullptr;
    return std::unique_ptr<FrameCache>(new FrameCache(folder, limit));
}

std::string FrameCache::EntryPath(const CacheKey& key) const { return m_folder + "/" + key.Hex(); }

std::unique_ptr<CachedBytes> FrameCache::Find(const CacheKey& key) const
{
    const std::string path = EntryPath(key);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    uint8_t head[kHeadSize];
    int error = 0;
    const bool whole = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && size_t(st.st_size) >= kHeadSize &&
                       ReadAllAt(fd, head, kHeadSize, 0, &error);
    const std::array<uint8_t, 32> digest = key.Digest();
    const bool intact = whole && std::memcmp(head, kMagic, sizeof kMagic) == 0 &&
                        std::memcmp(head + kDigestAt, digest.data(), digest.size()) == 0 &&
                        LoadLE32(head + kHeadCrcAt) == ComputeCrc32({head, kHeadCrcAt}) &&
                        LoadLE64(head + kSizeAt) == uint64_t(st.st_size) - kHeadSize;
    if (!intact) {
        ::close(fd);
        if (st.st_size >= 0 && S_ISREG(st.st_mode))
            ::unlink(path.c_str()); // rebuilt by whoever needs it next
        return nullptr;
    }
    // The access time orders the entries for eviction.
    const timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_OMIT}};
    futimens(fd, times);
    return std::make_unique<CachedBytes>(fd, path, LoadLE64(head + kSizeAt), LoadLE32(head + kCrcAt));
}

bool FrameCache::Store(const CacheKey& key, std::span<const uint8_t> bytes, uint32_t crc) const
{
    uint8_t head[kHeadSize] = {};
    std::memcpy(head, kMagic, sizeof kMagic);
    const std::array<uint8_t, 32> digest = key.Digest();
    std::memcpy(head + kDigestAt, digest.data(), digest.size());
    StoreLE64(head + kSizeAt, bytes.size());
    StoreLE32(head + kCrcAt, crc);
    StoreLE32(head + kHeadCrcAt, ComputeCrc32({head, kHeadCrcAt}));

    std::string temp = m_folder + "/" + kTempPrefix + "XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    int error = 0;
    bool written = WriteAllAt(fd, head, sizeof head, 0, &error) &&
                   WriteAllAt(fd, bytes.data(), bytes.size(), sizeof head, &error);
    written = ::close(fd) == 0 && written;
    if (written && std::rename(temp.c_str(), EntryPath(key).c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

void FrameCache::Trim() const
{
    DIR* dir = opendir(m_folder.c_str());
    if (!dir)
        return;
    struct Entry {
        timespec used;
        uint64_t size;
        std::string name;
    };
    std::vector<Entry> entries;
    uint64_t total = 0;
    const time_t now = time(nullptr);
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        struct stat st {};
        if (name == "." || name == ".." || fstatat(dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        if (name.rfind(kTempPrefix, 0) == 0) {
            if (st.st_mtim.tv_sec + kStaleTempSeconds < now)
                unlinkat(dirfd(dir), item->d_name, 0);
            continue;
        }
        total += uint64_t(st.st_size);
        entries.push_back({st.st_atim, uint64_t(st.st_size), name});
    }
    if (total > m_limit) {
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.used.tv_sec != b.used.tv_sec ? a.used.tv_sec < b.used.tv_sec : a.used.tv_nsec < b.used.tv_nsec;
        });
        // Down to nine tenths, so that the next few stores do not trim again.
        for (const Entry& entry : entries) {
            if (total <= m_limit / 10 * 9)
                break;
            if (unlinkat(dirfd(dir), entry.name.c_str(), 0) == 0)
                total -= entry.size;
        }
    }
    closedir(dir);
}

} // namespace kdx

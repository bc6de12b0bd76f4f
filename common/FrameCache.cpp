#include "common/FrameCache.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "common/Sha256.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
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

bool WriteAll(int fd, const uint8_t* data, size_t n)
{
    while (n > 0) {
        const ssize_t done = ::write(fd, data, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        n -= size_t(done);
    }
    return true;
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

CachedBytes::CachedBytes(void* mapping, size_t mappedSize, size_t payloadOffset, size_t payloadSize, uint32_t crc)
    : m_mapping(mapping), m_mappedSize(mappedSize), m_payloadOffset(payloadOffset), m_payloadSize(payloadSize),
      m_crc(crc)
{
}

CachedBytes::~CachedBytes() { munmap(m_mapping, m_mappedSize); }

std::span<const uint8_t> CachedBytes::Bytes() const
{
    return {static_cast<const uint8_t*>(m_mapping) + m_payloadOffset, m_payloadSize};
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
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) < kHeadSize) {
        ::close(fd);
        if (st.st_size >= 0 && size_t(st.st_size) < kHeadSize)
            ::unlink(path.c_str()); // cut short: rebuilt by whoever needs it next
        return nullptr;
    }
    void* mapping = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (mapping == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    auto* bytes = static_cast<const uint8_t*>(mapping);
    const std::array<uint8_t, 32> digest = key.Digest();
    const uint64_t size = LoadLE64(bytes + kSizeAt);
    const bool intact = std::memcmp(bytes, kMagic, sizeof kMagic) == 0 &&
                        std::memcmp(bytes + kDigestAt, digest.data(), digest.size()) == 0 &&
                        LoadLE32(bytes + kHeadCrcAt) == ComputeCrc32({bytes, kHeadCrcAt}) &&
                        size == uint64_t(st.st_size) - kHeadSize &&
                        LoadLE32(bytes + kCrcAt) == ComputeCrc32({bytes + kHeadSize, size_t(size)});
    if (!intact) {
        munmap(mapping, size_t(st.st_size));
        ::close(fd);
        ::unlink(path.c_str()); // rebuilt by whoever needs it next
        return nullptr;
    }
    // The access time orders the entries for eviction.
    const timespec times[2] = {{0, UTIME_NOW}, {0, UTIME_OMIT}};
    futimens(fd, times);
    ::close(fd);
    return std::make_unique<CachedBytes>(mapping, size_t(st.st_size), kHeadSize, size_t(size),
                                         LoadLE32(bytes + kCrcAt));
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
    bool written = WriteAll(fd, head, sizeof head) && WriteAll(fd, bytes.data(), bytes.size());
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

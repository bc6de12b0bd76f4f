#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include <ctime>

namespace kdx {

// What identifies one version of a picture file: its device, inode, size
// and times, or, where those cannot be trusted or the file is small, a hash
// of its contents. Taken from an open descriptor, so that the version named
// is the one that is then read.
class FileIdentity {
public:
    // Files up to this size are always identified by their contents.
    static constexpr int64_t kHashedSize = 256 * 1024;

    // Reads the descriptor from its start when the contents must be hashed
    // (and leaves its position at the end). Null when it cannot be read.
    static std::optional<FileIdentity> Of(int fd);
    // The same as seen at 'now' (seconds since the epoch): times within a
    // moment of it do not identify a version yet.
    static std::optional<FileIdentity> Of(int fd, time_t now);

    // A stable text of the identity, for making cache keys.
    const std::string& Text() const { return m_text; }
    bool ByContents() const { return m_byContents; }

private:
    std::string m_text;
    bool m_byContents = false;
};

// The name of one cache entry: a digest of everything the cached bytes
// depend on. Callers feed it the parts of their key in a fixed order.
class CacheKey {
public:
    CacheKey& Add(std::string_view part);
    CacheKey& Add(int64_t value);
    std::array<uint8_t, 32> Digest() const;
    std::string Hex() const;

private:
    std::string m_parts;
};

// A cached entry whose head passed its checks, held open. Its bytes are
// checked against their CRC-32 as they are read, so that only bytes that
// were checked are ever used; an entry found damaged then is removed. The
// entry stays readable when it is replaced or evicted meanwhile (the file is
// only ever renamed over or unlinked, never written in place). Reading goes
// through a small buffer, not a mapping: mapping page-cache pages costs a
// fault per page, far more than the copy.
class CachedBytes {
public:
    enum class Copy { Done, Damaged, WriteFailed };

    CachedBytes(int fd, std::string path, uint64_t payloadSize, uint32_t crc);
    ~CachedBytes();
    CachedBytes(const CachedBytes&) = delete;
    CachedBytes& operator=(const CachedBytes&) = delete;

    uint64_t Size() const { return m_size; }
    uint32_t Crc() const { return m_crc; }
    // Copies the bytes into the file 'fd' at 'at'. Damaged means the bytes
    // read were not the ones stored (what was written is to be replaced);
    // WriteFailed sets 'error' to the errno of the failed write.
    Copy CopyTo(int fd, uint64_t at, int* error) const;
    // The bytes, or nothing when they are damaged or cannot be read.
    std::optional<std::vector<uint8_t>> Read() const;

private:
    // Feeds the bytes, a chunk at a time, to 'use' (which returns false to
    // stop: WriteFailed); Damaged when they cannot all be read or do not
    // match their CRC.
    template <typename Use>
    Copy ForEachChunk(Use use) const;
    void Discard() const;

    int m_fd;
    std::string m_path;
    uint64_t m_size;
    uint32_t m_crc;
};

// A persistent store of converted picture frames shared by all programs of
// the tool chain: one file per entry, written beside its final name and
// renamed into place, so that compiles running at once never see half an
// entry. Every entry carries the CRC-32 of its bytes and is checked when it
// is read; a damaged entry is removed and counts as missing. The folder is
// kept below a size limit by removing the entries used least recently.
// Nothing here ever fails the caller: a cache that cannot be written is
// simply no cache.
class FrameCache {
public:
    static constexpr uint64_t kDefaultLimit = uint64_t(1) << 30;

    // The cache in $XDG_CACHE_HOME/kdx/frames (~/.cache when unset); none
    // when KDX_NO_CACHE is set to anything but "0" or empty, or when the
    // folder cannot be created and written.
    static std::unique_ptr<FrameCache> OpenDefault();
    // A cache in the given folder, created when missing; none when unusable.
    static std::unique_ptr<FrameCache> OpenAt(const std::string& folder, uint64_t limit = kDefaultLimit);
    static bool DisabledByEnvironment();

    // The entry for the key when it exists and its head is intact (its
    // bytes are checked as they are read); it is marked as just used.
    std::unique_ptr<CachedBytes> Find(const CacheKey& key) const;
    // Stores the bytes, whose CRC-32 the caller computed, under the key.
    // Returns whether the entry was written.
    bool Store(const CacheKey& key, std::span<const uint8_t> bytes, uint32_t crc) const;
    // Removes the entries used least recently until the folder is within
    // its limit (and leftovers of writers that died).
    void Trim() const;

    const std::string& Folder() const { return m_folder; }

private:
    FrameCache(std::string folder, uint64_t limit) : m_folder(std::move(folder)), m_limit(limit) {}
    std::string EntryPath(const CacheKey& key) const;

    std::string m_folder;
    uint64_t m_limit;
};

} // namespace kdx

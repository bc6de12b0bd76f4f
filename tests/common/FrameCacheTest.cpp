// The frame cache on real files: what it returns, what it refuses, what it
// evicts, and when a picture file counts as another version.
#include "common/Crc32.h"
#include "common/FrameCache.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace kdx;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint8_t seed)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = uint8_t(seed + i * 7);
    return bytes;
}

CacheKey Key(const std::string& name) { return CacheKey().Add("test").Add(name); }

bool Store(const FrameCache& cache, const std::string& name, const std::vector<uint8_t>& bytes)
{
    return cache.Store(Key(name), bytes, ComputeCrc32(bytes));
}

std::vector<std::filesystem::path> Entries(const std::string& folder)
{
    std::vector<std::filesystem::path> entries;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        entries.push_back(item.path());
    return entries;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::optional<FileIdentity> IdentityOf(const std::string& path, time_t now)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::optional<FileIdentity> identity = FileIdentity::Of(fd, now);
    ::close(fd);
    return identity;
}

class FrameCacheTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    std::string Folder() const { return m_dir.filePath("frames").toStdString(); }
};

TEST_F(FrameCacheTest, StoredBytesComeBackUnderTheirKeyOnly)
{
    auto cache = FrameCache::OpenAt(Folder());
    ASSERT_TRUE(cache);
    const std::vector<uint8_t> frame = Bytes(5000, 3);
    ASSERT_TRUE(Store(*cache, "a", frame));
    std::unique_ptr<CachedBytes> found = cache->Find(Key("a"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Read(), frame);
    EXPECT_EQ(found->Size(), frame.size());
    EXPECT_EQ(found->Crc(), ComputeCrc32(frame));
    EXPECT_FALSE(cache->Find(Key("b")));
    // Parts are kept apart: "ab" + "c" is not "a" + "bc".
    EXPECT_NE(CacheKey().Add("ab").Add("c").Hex(), CacheKey().Add("a").Add("bc").Hex());
    // Nothing is left beside the entry.
    EXPECT_EQ(Entries(Folder()).size(), 1u);
}

// Each damage is found by a check, when the entry is looked up or when its
// bytes are read, and the entry is removed; damaged bytes never come back.
TEST_F(FrameCacheTest, DamagedEntriesAreRefusedAndRemoved)
{
    auto cache = FrameCache::OpenAt(Folder());
    ASSERT_TRUE(cache);
    const std::vector<uint8_t> frame = Bytes(3000, 9);
    struct Damage {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> apply;
    };
    const Damage damages[] = {
        {"payload byte", [](std::vector<uint8_t>& e) { e[e.size() - 10] ^= 0x40; }},
        {"header byte", [](std::vector<uint8_t>& e) { e[45] ^= 1; }},
        {"truncated", [](std::vector<uint8_t>& e) { e.resize(e.size() - 1); }},
        {"extended", [](std::vector<uint8_t>& e) { e.push_back(0); }},
        {"empty", [](std::vector<uint8_t>& e) { e.clear(); }},
    };
    for (const Damage& damage : damages) {
        ASSERT_TRUE(Store(*cache, "x", frame));
        const std::filesystem::path entry = Entries(Folder()).front();
        std::ifstream in(entry, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        in.close();
        damage.apply(bytes);
        WriteFile(entry.string(), bytes);
        std::unique_ptr<CachedBytes> found = cache->Find(Key("x"));
        EXPECT_FALSE(found && found->Read()) << damage.what;
        EXPECT_FALSE(std::filesystem::exists(entry)) << damage.what;
    }
    // An entry stored under another key's name is not that key's.
    ASSERT_TRUE(Store(*cache, "y", frame));
    std::filesystem::rename(Folder() + "/" + Key("y").Hex(), Folder() + "/" + Key("z").Hex());
    EXPECT_FALSE(cache->Find(Key("z")));
}

// Bytes are copied in pieces and checked on the way; an entry found damaged
// is removed only while its name still leads to it.
TEST_F(FrameCacheTest, CopiesCheckTheBytesAndSpareANewerEntry)
{
    auto cache = FrameCache::OpenAt(Folder());
    ASSERT_TRUE(cache);
    const std::vector<uint8_t> frame = Bytes(700 * 1024 + 3, 5); // several pieces and a short one
    ASSERT_TRUE(Store(*cache, "a", frame));
    const std::string target = m_dir.filePath("target").toStdString();
    const int fd = ::open(target.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    int error = 0;
    std::unique_ptr<CachedBytes> found = cache->Find(Key("a"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->CopyTo(fd, 10, &error), CachedBytes::Copy::Done);
    std::vector<uint8_t> expected(10, 0);
    expected.insert(expected.end(), frame.begin(), frame.end());
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {}), expected);

    // Damaged in place after the lookup, then replaced by a good entry.
    const std::string entry = Folder() + "/" + Key("a").Hex();
    {
        std::fstream file(entry, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(56 + 500 * 1024);
        file.put(char(0x55));
    }
    ASSERT_TRUE(Store(*cache, "a", frame));
    EXPECT_EQ(found->CopyTo(fd, 10, &error), CachedBytes::Copy::Damaged);
    EXPECT_FALSE(found->Read());
    EXPECT_EQ(cache->Find(Key("a"))->Read(), frame); // the newer entry is kept

    // A failed write is told apart from damage, and leaves the entry alone.
    const int readOnly = ::open(target.c_str(), O_RDONLY);
    EXPECT_EQ(cache->Find(Key("a"))->CopyTo(readOnly, 0, &error), CachedBytes::Copy::WriteFailed);
    EXPECT_EQ(error, EBADF);
    EXPECT_TRUE(cache->Find(Key("a")));
    ::close(readOnly);
    ::close(fd);
}

TEST_F(FrameCacheTest, EvictsTheLeastRecentlyUsedBeyondTheLimit)
{
    const std::vector<uint8_t> frame = Bytes(10000, 1);
    auto cache = FrameCache::OpenAt(Folder(), 35000); // room for three entries
    ASSERT_TRUE(cache);
    for (const char* name : {"first", "second", "third"})
        ASSERT_TRUE(Store(*cache, name, frame));
    ASSERT_TRUE(cache->Find(Key("first"))); // used again: now the second is oldest
    ASSERT_TRUE(Store(*cache, "fourth", frame));
    cache->Trim();
    EXPECT_TRUE(cache->Find(Key("first")));
    EXPECT_FALSE(cache->Find(Key("second")));
    EXPECT_TRUE(cache->Find(Key("fourth")));
}

TEST_F(FrameCacheTest, NoCacheWhereNoneCanBeWrittenOrWhenTurnedOff)
{
    const std::string blocker = m_dir.filePath("file").toStdString();
    WriteFile(blocker, {1, 2, 3});
    EXPECT_FALSE(FrameCache::OpenAt(blocker + "/frames"));

    setenv("XDG_CACHE_HOME", m_dir.path().toLocal8Bit().constData(), 1);
    unsetenv("KDX_NO_CACHE");
    auto cache = FrameCache::OpenDefault();
    ASSERT_TRUE(cache);
    EXPECT_EQ(cache->Folder(), m_dir.path().toStdString() + "/kdx/frames");
    setenv("KDX_NO_CACHE", "1", 1);
    EXPECT_FALSE(FrameCache::OpenDefault());
    setenv("KDX_NO_CACHE", "0", 1);
    EXPECT_TRUE(FrameCache::OpenDefault());
    unsetenv("KDX_NO_CACHE");
}

// A small file is known by its contents: new contents of the same size under
// the same times are another version.
TEST_F(FrameCacheTest, SmallFilesAreIdentifiedByTheirContents)
{
    const std::string path = m_dir.filePath("small.bin").toStdString();
    WriteFile(path, Bytes(1000, 1));
    struct stat before {};
    stat(path.c_str(), &before);
    const time_t later = time(nullptr) + 3600;
    const std::optional<FileIdentity> first = IdentityOf(path, later);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->ByContents());
    EXPECT_EQ(IdentityOf(path, later)->Text(), first->Text());

    WriteFile(path, Bytes(1000, 2));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    EXPECT_NE(IdentityOf(path, later)->Text(), first->Text());
}

// A large file is known by device, inode, size and times once its times have
// settled; one replaced by another file of the same size and time differs.
TEST_F(FrameCacheTest, LargeFilesAreIdentifiedByInodeAndTimes)
{
    const std::string path = m_dir.filePath("large.bin").toStdString();
    const size_t size = size_t(FileIdentity::kHashedSize) + 1;
    WriteFile(path, Bytes(size, 1));
    struct stat before {};
    stat(path.c_str(), &before);
    EXPECT_TRUE(IdentityOf(path, time(nullptr))->ByContents()); // just written: may still change unseen
    const time_t later = time(nullptr) + 3600;
    const std::optional<FileIdentity> first = IdentityOf(path, later);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->ByContents());

    const std::string replacement = path + ".new";
    WriteFile(replacement, Bytes(size, 2));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    utimensat(AT_FDCWD, replacement.c_str(), times, 0);
    std::filesystem::rename(replacement, path);
    EXPECT_NE(IdentityOf(path, later)->Text(), first->Text());
}

} // namespace

#include "common/CMappedMemory.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace kdx;

namespace {
std::string UniqueName() { return "KDX_TEST_" + std::to_string(getpid()) + "_" + std::to_string(rand()); }
} // namespace

TEST(CMappedMemory, CreatorAndOpenerShareBytesAndCreatorUnlinks)
{
    std::string name = UniqueName();
    {
        auto owner = CMappedMemory::CreateShared(name, 3096);
        ASSERT_TRUE(owner);
        EXPECT_EQ(owner->Size(), 3096u);
        EXPECT_EQ(owner->Data()[3095], 0);
        auto other = CMappedMemory::OpenShared(name, 3096);
        ASSERT_TRUE(other);
        owner->Data()[100] = 0x5A;
        EXPECT_EQ(other->Data()[100], 0x5A);
        // A second creator is refused while the first holds the name.
        std::string error;
        EXPECT_FALSE(CMappedMemory::CreateShared(name, 3096, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(CMappedMemory::OpenShared(name, 3096));
}

TEST(CMappedMemory, BlockIsPrivateToItsUser)
{
    std::string name = UniqueName();
    auto owner = CMappedMemory::CreateShared(name, 64);
    ASSERT_TRUE(owner);
    int fd = shm_open(("/" + name).c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0);
    struct stat st{};
    fstat(fd, &st);
    close(fd);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(CMappedMemory, OpeningTooSmallOrMissingBlockFails)
{
    std::string name = UniqueName();
    auto owner = CMappedMemory::CreateShared(name, 16);
    ASSERT_TRUE(owner);
    EXPECT_FALSE(CMappedMemory::OpenShared(name, 3096));
    EXPECT_FALSE(CMappedMemory::OpenShared(UniqueName(), 16));
}

TEST(CMappedMemory, FileMappingWritesThrough)
{
    std::string path = testing::TempDir() + "map_test.bin";
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "abcdef", 6), 6);
    close(fd);
    {
        auto map = CMappedMemory::MapFile(path, true);
        ASSERT_TRUE(map);
        ASSERT_EQ(map->Size(), 6u);
        map->Data()[0] = 'X';
        EXPECT_TRUE(map->Sync());
    }
    char buffer[6];
    fd = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(read(fd, buffer, 6), 6);
    close(fd);
    EXPECT_EQ(std::string(buffer, 6), "Xbcdef");
    unlink(path.c_str());
    EXPECT_FALSE(CMappedMemory::MapFile(path, false));
}

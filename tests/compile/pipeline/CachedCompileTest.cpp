// Compiles with the frame cache give exactly the bytes of compiles without
// it, whatever state the cache or the picture files are in.
#include "tests/compile/pipeline/PipelineHarness.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"

#include <QRandomGenerator>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace kdx::testing {
namespace {

namespace fs = std::filesystem;

// Noise, so that every scaling and colour reduction shows in the bytes.
void NoiseImage(const std::string& path, int w, int h, uint32_t seed, const char* format = nullptr)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    ASSERT_TRUE(image.save(QString::fromStdString(path), format, 90));
}

class CachedCompile : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("KDX_NO_CACHE");
        setenv("XDG_CACHE_HOME", m_cacheHome.path().toLocal8Bit().constData(), 1);
        // One file at several sizes (the smaller made from the larger ones),
        // a JPEG decoded at a reduced scale, a background and a BMP whose
        // contents can change without its size changing.
        NoiseImage(m_ws.Path("photo.png"), 90, 70, 1);
        NoiseImage(m_ws.Path("photo.jpg"), 400, 300, 2);
        NoiseImage(m_ws.Path("plain.bmp"), 20, 20, 3);
        m_project = Project(64, 48, 16);
        PageDesc page;
        page.backgroundImage = m_ws.ImagePath("photo.jpg");
        int id = 1;
        for (auto [w, h] : {std::pair{40, 30}, {17, 13}, {8, 6}, {3, 2}}) {
            ObjectDesc picture = Shape("CDrawImage", uint32_t(id++), 0, 0, w, h);
            picture.normalImage = m_ws.ImagePath("photo.png");
            picture.pressedImage = m_ws.ImagePath(w > 10 ? "photo.jpg" : "plain.bmp");
            page.objects.push_back(picture);
        }
        m_project.pages = {page};
    }

    std::vector<uint8_t> CompileBytes(bool withCache)
    {
        if (withCache)
            unsetenv("KDX_NO_CACHE");
        else
            setenv("KDX_NO_CACHE", "1", 1);
        CompileOutcome out = m_ws.Compile(m_project);
        unsetenv("KDX_NO_CACHE");
        EXPECT_TRUE(out.written) << QString::fromStdU16String(out.failure).toStdString();
        return out.file;
    }

    std::string Folder() const { return m_cacheHome.filePath("kdx/frames").toStdString(); }
    std::vector<fs::path> Entries() const
    {
        std::vector<fs::path> entries;
        if (fs::exists(Folder()))
            for (const auto& item : fs::directory_iterator(Folder()))
                entries.push_back(item.path());
        return entries;
    }

    QTemporaryDir m_cacheHome;
    Workspace m_ws;
    ProjectDesc m_project;
};

TEST_F(CachedCompile, ColdAndWarmCacheGiveTheBytesOfNoCache)
{
    const std::vector<uint8_t> plain = CompileBytes(false);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(CompileBytes(true), plain);
    EXPECT_EQ(Entries().size(), 9u); // every frame: 4 normal, 4 pressed, the background
    EXPECT_EQ(CompileBytes(true), plain);
}

// Proof that a warm compile takes its frames from the cache: an entry that
// passes its checks but holds other pixels shows in the output.
TEST_F(CachedCompile, WarmCompileReadsTheCachedFrames)
{
    const std::vector<uint8_t> plain = CompileBytes(true);
    for (const fs::path& entry : Entries()) {
        std::vector<uint8_t> bytes = ReadBytes(entry.string());
        ASSERT_GT(bytes.size(), 56u);
        for (size_t i = 56; i < bytes.size(); ++i)
            bytes[i] = uint8_t(~bytes[i]);
        StoreLE32(bytes.data() + 48, ComputeCrc32({bytes.data() + 56, bytes.size() - 56}));
        StoreLE32(bytes.data() + 52, ComputeCrc32({bytes.data(), 52}));
        WriteBytes(entry.string(), bytes);
    }
    EXPECT_NE(CompileBytes(true), plain);
}

TEST_F(CachedCompile, DamagedEntriesAreIgnoredAndRebuilt)
{
    const std::vector<uint8_t> plain = CompileBytes(true);
    const std::vector<fs::path> entries = Entries();
    ASSERT_FALSE(entries.empty());
    for (size_t i = 0; i < entries.size(); ++i) {
        std::vector<uint8_t> bytes = ReadBytes(entries[i].string());
        if (i % 3 == 0)
            bytes[bytes.size() / 2] ^= 0x10;
        else if (i % 3 == 1)
            bytes.resize(bytes.size() / 2);
        else
            bytes.clear();
        WriteBytes(entries[i].string(), bytes);
    }
    EXPECT_EQ(CompileBytes(true), plain);
    EXPECT_EQ(Entries().size(), entries.size());
    EXPECT_EQ(CompileBytes(true), plain);
}

// A damaged payload passes the lookup and is found while the file is
// written: the frames of its image file (some made from others) are made
// anew, the file is written again, and the entry is rebuilt.
TEST_F(CachedCompile, FrameFoundDamagedWhileWritingIsMadeAgain)
{
    const std::vector<uint8_t> plain = CompileBytes(true);
    const std::vector<fs::path> entries = Entries();
    ASSERT_EQ(entries.size(), 9u);
    for (const fs::path& entry : entries) {
        const std::vector<uint8_t> intact = ReadBytes(entry.string());
        std::vector<uint8_t> bytes = intact;
        bytes[56 + (bytes.size() - 56) / 2] ^= 0x01;
        WriteBytes(entry.string(), bytes);
        EXPECT_EQ(CompileBytes(true), plain) << entry;
        EXPECT_EQ(ReadBytes(entry.string()), intact) << entry;
    }
    EXPECT_EQ(Entries().size(), entries.size());
}

// Cached frames are held open until the file is written. With only a few
// more open files allowed than are open, holding every cached frame would
// leave none for the output; none is held then, and the frames are made
// anew, to the same bytes.
TEST_F(CachedCompile, FramesBeyondTheOpenFileLimitAreMadeAnew)
{
    const std::vector<uint8_t> plain = CompileBytes(true);
    ASSERT_EQ(Entries().size(), 9u);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const auto open = rlim_t(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
    rlimit few = saved;
    few.rlim_cur = open + 12; // the project, the image files, the frame store, the output, a cache store
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    const std::vector<uint8_t> bytes = CompileBytes(true);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(bytes, plain);
}

// New contents of the same size under the same modification time.
TEST_F(CachedCompile, PictureChangedOnDiskIsConvertedAgain)
{
    CompileBytes(true);
    const std::string bmp = m_ws.Path("plain.bmp");
    struct stat before {};
    ASSERT_EQ(stat(bmp.c_str(), &before), 0);
    NoiseImage(bmp, 20, 20, 99, "BMP");
    struct stat after {};
    ASSERT_EQ(stat(bmp.c_str(), &after), 0);
    ASSERT_EQ(after.st_size, before.st_size);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, bmp.c_str(), times, 0), 0);

    const std::vector<uint8_t> cached = CompileBytes(true);
    EXPECT_EQ(cached, CompileBytes(false));
}

TEST_F(CachedCompile, CacheFolderThatCannotBeWrittenIsNoCache)
{
    const std::vector<uint8_t> plain = CompileBytes(false);
    const std::string blocker = m_cacheHome.filePath("kdx").toStdString();
    WriteBytes(blocker, {1}); // a file where the folder should be
    EXPECT_EQ(CompileBytes(true), plain);
}

TEST_F(CachedCompile, PictureSizeChangeMakesOtherFramesOfTheFileAnew)
{
    CompileBytes(true);
    m_project.pages[0].objects[0].right = 45; // the largest use of photo.png grows
    EXPECT_EQ(CompileBytes(true), CompileBytes(false));
}

} // namespace
} // namespace kdx::testing

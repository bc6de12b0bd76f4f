// Where an output may go: new names and regular files (also through links),
// never devices, FIFOs, folders or the inputs themselves.
#include "common/OutputFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace kdx;

namespace {

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/kdx_output_XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_dir = folder;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Path(name));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::span<const uint8_t> Bytes(const std::string& text)
    {
        return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
    }
    // Names in the folder other than the given ones (left-over temporary files).
    int Entries() const
    {
        return std::system(("test $(ls -A '" + m_dir + "' | wc -l) -eq 0").c_str()) == 0 ? 0 : 1;
    }

    std::string m_dir;
};

} // namespace

TEST_F(OutputFileTest, NonRegularTargetsAreRefusedAndUntouched)
{
    ASSERT_EQ(mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink("null", Path("to-null").c_str()), 0);
    ASSERT_EQ(symlink("to-null", Path("to-to-null").c_str()), 0);
    for (const char* name : {"null", "fifo", "folder", "to-null", "to-to-null"}) {
        const OutputTarget target = ResolveOutput(Path(name));
        EXPECT_EQ(target.refusal, OutputRefusal::NotRegular) << name;
        EXPECT_FALSE(DescribeOutputRefusal(target).empty());
    }
    struct stat st {};
    ASSERT_EQ(lstat(Path("null").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_EQ(lstat(Path("to-null").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(OutputFileTest, LinksAreWrittenThroughAndStayLinks)
{
    ASSERT_EQ(mkdir(Path("sub").c_str(), 0700), 0);
    Write("sub/real", "old");
    ASSERT_EQ(chmod(Path("sub/real").c_str(), 0640), 0);
    ASSERT_EQ(symlink("sub/real", Path("link").c_str()), 0);
    const OutputTarget target = ResolveOutput(Path("link"));
    ASSERT_EQ(target.refusal, OutputRefusal::None);
    EXPECT_EQ(target.path, Path("sub/real"));
    ASSERT_TRUE(WriteOutputFile(target, Bytes("new"), nullptr));
    EXPECT_EQ(Read("sub/real"), "new");
    struct stat st {};
    ASSERT_EQ(lstat(Path("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(Path("sub/real").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u); // a replaced file keeps its permissions

    // A dangling link creates its target; a loop is refused.
    ASSERT_EQ(symlink("sub/new", Path("dangling").c_str()), 0);
    ASSERT_TRUE(WriteOutputFile(ResolveOutput(Path("dangling")), Bytes("made"), nullptr));
    EXPECT_EQ(Read("sub/new"), "made");
    ASSERT_EQ(symlink("loop", Path("loop").c_str()), 0);
    EXPECT_EQ(ResolveOutput(Path("loop")).refusal, OutputRefusal::CannotResolve);
    EXPECT_EQ(ResolveOutput(Path("missing/out")).refusal, OutputRefusal::CannotResolve);
}

TEST_F(OutputFileTest, TheInputItselfIsRefusedUnderEveryName)
{
    Write("in", "input");
    ASSERT_EQ(link(Path("in").c_str(), Path("hard").c_str()), 0);
    ASSERT_EQ(symlink("in", Path("soft").c_str()), 0);
    const std::string inputs[] = {Path("soft")};
    for (const std::string& name : {Path("in"), Path("hard"), Path("soft"), m_dir + "/./in"})
        EXPECT_EQ(ResolveOutput(name, inputs).refusal, OutputRefusal::SameAsInput) << name;
    EXPECT_EQ(ResolveOutput(Path("other"), inputs).refusal, OutputRefusal::None);
    EXPECT_EQ(Read("in"), "input");

    // Refusing to replace: an existing file is kept, a new name is fine.
    EXPECT_EQ(ResolveOutput(Path("in"), {}, false).refusal, OutputRefusal::Exists);
    EXPECT_EQ(ResolveOutput(Path("new"), {}, false).refusal, OutputRefusal::None);
}

TEST_F(OutputFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile)
{
    Write("out", "old");
    {
        ReplacingWriter writer(ResolveOutput(Path("out")));
        int error = 0;
        ASSERT_TRUE(writer.Open(&error));
        ASSERT_TRUE(writer.Write(Bytes("half"), &error));
        // Not committed: as when the writer's caller fails midway.
    }
    EXPECT_EQ(Read("out"), "old");
    std::remove(Path("out").c_str());
    EXPECT_EQ(Entries(), 0);

    // A target that became a device while being written is not replaced.
    ReplacingWriter writer(ResolveOutput(Path("out")));
    int error = 0;
    ASSERT_TRUE(writer.Open(&error));
    ASSERT_EQ(mknod(Path("out").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    EXPECT_FALSE(writer.Commit(&error));
    EXPECT_FALSE(DescribeWriteError(error).empty());
    struct stat st {};
    ASSERT_EQ(lstat(Path("out").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// A file that can be made again replaces the old one by an exchange; the
// old one is left by no name, and can be kept open to be let go later.
TEST_F(OutputFileTest, ARemakeableFileReplacesTheOldOneAndCanKeepItOpen)
{
    for (bool exists : {true, false}) {
        if (exists)
            Write("out", "old");
        ReplacingWriter writer(ResolveOutput(Path("out")), Durability::Remakeable);
        writer.KeepReplacedOpen();
        int error = 0;
        ASSERT_TRUE(writer.Open(&error));
        ASSERT_TRUE(writer.Write(Bytes("new"), &error));
        ASSERT_TRUE(writer.Commit(&error));
        EXPECT_EQ(Read("out"), "new");
        const int replaced = writer.TakeReplaced();
        EXPECT_EQ(replaced >= 0, exists);
        if (replaced >= 0) {
            char old[8] = {};
            EXPECT_EQ(pread(replaced, old, sizeof old, 0), 3);
            EXPECT_STREQ(old, "old");
            close(replaced);
        }
        std::remove(Path("out").c_str());
        EXPECT_EQ(Entries(), 0) << exists; // nothing beside it
    }
}

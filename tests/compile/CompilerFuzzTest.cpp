// Damaged and hostile project files given to the compiler: every one must
// end in a message or a described failure, never a crash, a hang or an
// exception that escapes the steps.
#include "common/Archive.h"
#include "common/FileHeader.h"
#include "compile/CompileProject.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <random>

using namespace kdx;

namespace {

class QuietReporter : public CompileReporter {
public:
    void EmitMessage(std::u16string_view text) override { last = std::u16string(text); }
    void CheckCancel() override {}
    std::u16string last;
};

std::vector<uint8_t> ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

class CompilerFuzz : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // The example with its pictures beside it, so that loading gets past them.
        QDir example(QString(KDX_SOURCE_DIR) + "/examples/demo");
        for (const QString& name : example.entryList(QDir::Files))
            QFile::copy(example.filePath(name), m_dir.filePath(name));
        m_example = ReadBytes(example.filePath("demo.kdp"));
        ASSERT_GT(m_example.size(), FileHeader::kSize + 24);
    }

    // Writes the bytes, resealed so that the reader gets past the seal, and
    // compiles them. Returns a description of what went wrong, or "".
    std::string Compile(std::vector<uint8_t> bytes, bool reseal = true)
    {
        if (reseal)
            SealBytes(bytes);
        std::string project = m_dir.filePath("fuzz.kdp").toStdString();
        std::ofstream(project, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        QuietReporter reporter;
        try {
            CompileProject compile(reporter);
            compile.LoadProject(project);
            compile.Optimize();
            compile.BuildMemoryImage();
            compile.Relocate();
            compile.WriteOutput(m_dir.filePath("fuzz.kdpbin").toStdString());
            return {};
        } catch (const CompileAbort&) {
            if (reporter.last.empty() || (reporter.last[0] != u'*'))
                return "an abort without an error message";
            return {};
        } catch (const CompileFailure& failure) {
            return failure.what.empty() ? "a failure without a description" : "";
        } catch (const std::exception& e) {
            return std::string("an escaped exception: ") + e.what();
        }
    }

    QTemporaryDir m_dir;
    std::vector<uint8_t> m_example;
};

} // namespace

TEST_F(CompilerFuzz, TheExampleCompiles)
{
    EXPECT_EQ(Compile(m_example, false), "");
}

TEST_F(CompilerFuzz, TruncationAtEveryOffset)
{
    size_t step = std::max<size_t>(1, m_example.size() / 4000);
    for (size_t size = 0; size < m_example.size(); size += step) {
        std::vector<uint8_t> cut(m_example.begin(), m_example.begin() + std::ptrdiff_t(size));
        ASSERT_EQ(Compile(cut, size > FileHeader::kSize), "") << "truncated to " << size;
    }
}

TEST_F(CompilerFuzz, FlippedBytesAndHugeCounts)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<size_t> offset(FileHeader::kSize, m_example.size() - 1);
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> bytes = m_example;
        int changes = 1 + round % 4;
        for (int i = 0; i < changes; ++i) {
            size_t at = offset(random);
            switch (random() % 3) {
            case 0: bytes[at] ^= uint8_t(1u << (random() % 8)); break;
            case 1: bytes[at] = 0xFF; break;
            default: // a huge u32 count or length where a count may stand
                for (size_t k = 0; k < 4 && at + k < bytes.size(); ++k)
                    bytes[at + k] = k == 3 ? 0x7F : 0xFF;
            }
        }
        ASSERT_EQ(Compile(bytes), "") << "round " << round;
    }
}

TEST_F(CompilerFuzz, HandMadeHostileBodies)
{
    FileHeader header;
    auto headerBytes = header.Bytes();
    auto withBody = [&](const std::vector<uint8_t>& body) {
        std::vector<uint8_t> file(headerBytes.begin(), headerBytes.end());
        ArchiveWriter view;
        view.U32(24);
        for (int i = 0; i < 5; ++i)
            view.U32(0);
        file.insert(file.end(), view.Data().begin(), view.Data().end());
        file.insert(file.end(), body.begin(), body.end());
        return file;
    };
    // Four billion pages, a page with four billion objects, a string longer
    // than the file, an unknown class, a back-reference.
    ArchiveWriter manyPages;
    manyPages.Count(0xFFFFFFF0u);
    EXPECT_EQ(Compile(withBody(manyPages.Data())), "");
    ArchiveWriter manyObjects;
    manyObjects.Count(1);
    manyObjects.U32(0);
    manyObjects.String(u"P");
    manyObjects.U32(0xFFFFFFFF);
    manyObjects.String(u"");
    manyObjects.Count(0);
    manyObjects.Count(0);
    manyObjects.Count(0xFFFFFFF0u);
    EXPECT_EQ(Compile(withBody(manyObjects.Data())), "");
    std::vector<uint8_t> longString = {1, 0, 0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(Compile(withBody(longString)), "");
    ArchiveWriter unknown = manyObjects;
    unknown.Data().resize(unknown.Data().size() - 6);
    unknown.Count(1);
    unknown.ObjectTag("CDrawNothing");
    EXPECT_EQ(Compile(withBody(unknown.Data())), "");
    ArchiveWriter backRef = manyObjects;
    backRef.Data().resize(backRef.Data().size() - 6);
    backRef.Count(2);
    backRef.ObjectTag("CDrawLine");
    backRef.U32(0);
    for (int i = 0; i < 4; ++i)
        backRef.I32(i);
    backRef.U16(2); // the line object itself, by index
    EXPECT_EQ(Compile(withBody(backRef.Data())), "");
}

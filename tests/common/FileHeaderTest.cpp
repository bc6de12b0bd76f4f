#include "common/FileHeader.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

using namespace kdx;

namespace {

std::vector<uint8_t> SealedFile(FileHeader h, size_t bodySize)
{
    auto bytes = h.Bytes();
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    for (size_t i = 0; i < bodySize; ++i)
        file.push_back(uint8_t(i));
    SealBytes(file);
    return file;
}

} // namespace

TEST(FileHeader, NewHeaderLayout)
{
    FileHeader h;
    auto b = h.Bytes();
    ASSERT_EQ(b.size(), 208u);
    const char* magic = "KDX PANEL";
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(b[2 * i], uint8_t(magic[i]));
        EXPECT_EQ(b[2 * i + 1], 0);
    }
    EXPECT_EQ(b[18], 0);
    EXPECT_EQ(b[19], 0);
    EXPECT_EQ(LoadLE32(&b[20]), 1u);
    EXPECT_EQ(LoadLE32(&b[24]), 1u);
    EXPECT_EQ(LoadLE16(&b[28]), 480);
    EXPECT_EQ(LoadLE16(&b[30]), 272);
    EXPECT_EQ(LoadLE32(&b[32]), 16u);
    for (size_t i = 36; i < 208; ++i)
        EXPECT_EQ(b[i], 0) << i;
}

TEST(FileHeader, ReservedBytesAndRemarkRoundTrip)
{
    FileHeader h;
    h.hardwareId = 0xABCD1234;
    for (size_t i = 0; i < h.reserved.size(); ++i)
        h.reserved[i] = uint8_t(i + 1);
    h.SetRemark(u"工程备注");
    h.remarkRaw[129] = 0x77; // bytes after the zero unit survive too
    auto parsed = FileHeader::Parse(h.Bytes());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Bytes(), h.Bytes());
    EXPECT_EQ(parsed->Remark(), u"工程备注");
}

TEST(FileHeader, RemarkWithoutTerminatorStopsAtFieldEnd)
{
    FileHeader h;
    h.remarkRaw.fill('A'); // 'A','A' = U+4141 repeated, no zero unit
    EXPECT_EQ(h.Remark().size(), 65u);
    h.SetRemark(std::u16string(100, u'x'));
    EXPECT_EQ(h.Remark().size(), 64u);
}

TEST(FileHeader, ProjectChecksInOrder)
{
    FileHeader h;
    EXPECT_EQ(CheckProjectFile({}), ProjectCheck::NotProject);
    auto file = SealedFile(h, 30);
    EXPECT_EQ(CheckProjectFile(file), ProjectCheck::Ok);
    EXPECT_EQ(CheckProjectFile(std::span(file).first(207)), ProjectCheck::NotProject);
    // Exactly 208 valid bytes: damaged, not "not a project".
    EXPECT_EQ(CheckProjectFile(std::span(file).first(208)), ProjectCheck::Damaged);

    FileHeader compiled = h;
    compiled.kind = 2;
    EXPECT_EQ(CheckProjectFile(SealedFile(compiled, 30)), ProjectCheck::NotProject);
    FileHeader newer = h;
    newer.version = 0x00010001;
    EXPECT_EQ(CheckProjectFile(SealedFile(newer, 30)), ProjectCheck::BadVersion);

    // The seal is checked before the depth: a damaged depth-8 file is damaged.
    FileHeader deep = h;
    deep.colorDepth = 8;
    auto eight = SealedFile(deep, 30);
    EXPECT_EQ(CheckProjectFile(eight), ProjectCheck::BadDepth);
    eight[100] ^= 1;
    EXPECT_EQ(CheckProjectFile(eight), ProjectCheck::Damaged);

    file[0] = 'k';
    EXPECT_EQ(CheckProjectFile(file), ProjectCheck::NotProject);
}

TEST(FileHeader, CompiledChecks)
{
    FileHeader h;
    h.kind = 2;
    auto file = SealedFile(h, 28);
    FileHeader out;
    EXPECT_EQ(CheckCompiledFile(file, &out), CompiledCheck::Ok);
    EXPECT_EQ(out.kind, 2u);
    EXPECT_EQ(CheckCompiledFile(std::span(file).first(208)), CompiledCheck::NotCompiled);
    EXPECT_EQ(CheckCompiledFile(SealedFile(FileHeader{}, 28)), CompiledCheck::NotCompiled);
    file[40] ^= 1;
    EXPECT_EQ(CheckCompiledFile(file), CompiledCheck::Damaged);
}

TEST(FileHeader, SealFileOnDisk)
{
    std::string path = testing::TempDir() + "seal_test.bin";
    FileHeader h;
    auto bytes = h.Bytes();
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    file.resize(500, 0x42);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    ASSERT_TRUE(SealFile(path));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> sealed((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(LoadLE32(&sealed[40]), ComputeFileSeal(sealed));
    EXPECT_EQ(CheckProjectFile(sealed), ProjectCheck::Ok);
    std::remove(path.c_str());

    std::string error;
    EXPECT_FALSE(SealFile("/nonexistent/dir/file.kdp", &error));
    EXPECT_FALSE(error.empty());
}

// Feeds damaged and hostile project files to the model's reader: truncations,
// bit flips, huge counts and random bytes, each re-sealed so that the reader
// behind the header checks is really exercised.
#include "FuzzTarget.h"
#include "tests/support/SampleFiles.h"

#include "common/Archive.h"
#include "common/ByteOrder.h"
#include "common/FileHeader.h"
#include "model/PageDoc.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using namespace kdx;
using namespace kdx::test;

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes Sealed(Bytes bytes)
{
    SealBytes(bytes);
    return bytes;
}

// A small project with a few of each encoding, for exhaustive truncation.
Bytes SmallSample()
{
    ArchiveWriter page;
    page.Count(1);
    page.U32(5);
    page.String(u"页");
    page.U32(0xFF);
    page.String(u"bg.png");
    page.Count(2);
    page.U32(7);
    page.U16(0xBBAA);
    page.Count(0);
    page.Count(3);
    auto text = [&page](uint32_t id, bool withSend, std::u16string_view content) {
        page.ObjectTag("CDrawText");
        for (uint32_t v : {id, 0xFFu, 0xFFFFFFFFu, 5u, 0u, 0u, 0u, 10u, 10u})
            page.U32(v);
        page.Count(withSend ? 1 : 0);
        if (withSend) {
            page.U32(9);
            page.U8(0x42);
        }
        for (uint32_t v : {1u, 8u, 0u, 0u})
            page.U32(v);
        page.Count(uint32_t(content.size() * 2));
        for (char16_t c : content)
            page.U16(uint16_t(c));
    };
    text(1, false, std::u16string_view(u"字\0", 2));
    page.U16(0); // a null object
    text(2, true, u"");
    return SealedProject(page.Data());
}

std::string Check(const Bytes& bytes) { return CheckOneInput(bytes.data(), bytes.size()); }

} // namespace

TEST(FuzzProjectReader, EveryTruncationOfASmallProject)
{
    const Bytes sample = SmallSample();
    CPageDoc doc;
    ASSERT_FALSE(doc.LoadFromBytes(sample));
    ASSERT_EQ(doc.PageAt(0)->Objects().size(), 2u);
    for (size_t n = 0; n <= sample.size(); ++n) {
        Bytes cut(sample.begin(), sample.begin() + ptrdiff_t(n));
        ASSERT_EQ(Check(n > FileHeader::kSize ? Sealed(cut) : cut), "") << "cut at " << n;
    }
}

TEST(FuzzProjectReader, MutatedSamplesFailCleanly)
{
    std::vector<Bytes> seeds = {SmallSample(), SampleProject(), SampleProject(true),
                                ReadFileBytes(KDX_SOURCE_DIR "/examples/demo/demo.kdp")};
    for (const Bytes& seed : seeds)
        ASSERT_EQ(Check(seed), "");

    std::mt19937 random(20260101);
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    size_t runs = 0;
    while (Clock::now() < deadline) {
        const Bytes& seed = seeds[random() % seeds.size()];
        Bytes file = seed;
        const size_t body = FileHeader::kSize; // mutate what the archive reader sees
        const int kind = int(random() % 5);
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits && file.size() > body + 8; ++e) {
            const size_t at = body + random() % (file.size() - body - 6);
            switch (kind) {
            case 0: file[at] ^= uint8_t(1u << (random() % 8)); break;
            case 1: file[at] = uint8_t(random()); break;
            case 2: // a huge count or length
                StoreLE16(file.data() + at, 0xFFFF);
                StoreLE32(file.data() + at + 2, random() % 2 ? 0xFFFFFFFFu : uint32_t(random()));
                break;
            case 3: file.resize(at); break;
            case 4: // random bytes from here on
                for (size_t i = at; i < file.size(); ++i)
                    file[i] = uint8_t(random());
                break;
            }
        }
        std::string problem = Check(Sealed(file));
        ASSERT_EQ(problem, "") << "run " << runs;
        ++runs;
    }
    std::printf("%zu mutated files read\n", runs);
    EXPECT_GT(runs, 100u);
}

TEST(FuzzProjectReader, UnsealedGarbageStopsAtTheHeader)
{
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        Bytes file(random() % 600);
        for (uint8_t& b : file)
            b = uint8_t(random());
        if (i % 2 && file.size() >= 24) // a proper magic in front of the noise
            std::copy_n(FileHeader().Bytes().begin(), 24, file.begin());
        ASSERT_EQ(Check(file), "");
    }
}

#include "common/Crc32.h"

#include <gtest/gtest.h>
#include <cstring>
#include <vector>

using namespace kdx;

TEST(Crc32, StandardCheckValue)
{
    const char* text = "123456789";
    EXPECT_EQ(ComputeCrc32({reinterpret_cast<const uint8_t*>(text), 9}), 0xCBF43926u);
    EXPECT_EQ(ComputeCrc32({}), 0u);
}

namespace {

uint32_t Bitwise(std::span<const uint8_t> data)
{
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t byte : data) {
        c ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
    }
    return ~c;
}

std::vector<uint8_t> NoiseBytes(size_t n)
{
    std::vector<uint8_t> data(n);
    uint32_t x = 12345;
    for (uint8_t& b : data)
        b = uint8_t((x = x * 1103515245u + 12345u) >> 16);
    return data;
}

} // namespace

// Every length around the folding sizes (16-byte lanes, 64-byte rounds), at
// every alignment of the start, and one run of a picture's size.
TEST(Crc32, MatchesTheBitwiseDefinitionAtEveryLengthAndAlignment)
{
    const std::vector<uint8_t> data = NoiseBytes(400);
    for (size_t start = 0; start < 16; ++start)
        for (size_t n = 0; start + n <= data.size(); ++n)
            ASSERT_EQ(ComputeCrc32(std::span(data).subspan(start, n)), Bitwise(std::span(data).subspan(start, n)))
                << "start " << start << " length " << n;
    const std::vector<uint8_t> large = NoiseBytes(768 * 1024 + 13);
    EXPECT_EQ(ComputeCrc32(std::span(large).subspan(3)), Bitwise(std::span(large).subspan(3)));
    const std::vector<uint8_t> zeros(4096, 0), ones(4096, 0xFF);
    EXPECT_EQ(ComputeCrc32(zeros), Bitwise(zeros));
    EXPECT_EQ(ComputeCrc32(ones), Bitwise(ones));
}

TEST(Crc32, PiecewiseUpdateEqualsOneStream)
{
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + 3);
    for (size_t cut : {size_t(13), size_t(64), size_t(100), size_t(937)}) {
        Crc32 crc;
        crc.Update(std::span(data).first(cut));
        crc.Update(std::span(data).subspan(cut));
        EXPECT_EQ(crc.Value(), ComputeCrc32(data)) << cut;
    }
}

TEST(Crc32, FileSealSkipsTheStoredValue)
{
    std::vector<uint8_t> file(300, 0x5A);
    uint32_t seal = ComputeFileSeal(file);
    for (size_t i = 40; i < 44; ++i) {
        file[i] ^= 0xFF;
        EXPECT_EQ(ComputeFileSeal(file), seal) << "byte " << i;
    }
    for (size_t i : {size_t(0), size_t(39), size_t(44), size_t(299)}) {
        std::vector<uint8_t> changed = file;
        changed[i] ^= 1;
        EXPECT_NE(ComputeFileSeal(changed), seal) << "byte " << i;
    }
    // Equal to the CRC of the concatenation of the two ranges.
    std::vector<uint8_t> stream(file.begin(), file.begin() + 40);
    stream.insert(stream.end(), file.begin() + 44, file.end());
    EXPECT_EQ(seal, ComputeCrc32(stream));
}

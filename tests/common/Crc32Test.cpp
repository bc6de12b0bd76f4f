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

TEST(Crc32, MatchesTheBitwiseDefinitionAtEveryLength)
{
    auto bitwise = [](const std::vector<uint8_t>& data, size_t n) {
        uint32_t c = 0xFFFFFFFFu;
        for (size_t i = 0; i < n; ++i) {
            c ^= data[i];
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        }
        return ~c;
    };
    std::vector<uint8_t> data(300);
    uint32_t x = 12345;
    for (uint8_t& b : data)
        b = uint8_t((x = x * 1103515245u + 12345u) >> 16);
    for (size_t n = 0; n <= data.size(); ++n)
        ASSERT_EQ(ComputeCrc32(std::span(data).first(n)), bitwise(data, n)) << n;
}

TEST(Crc32, PiecewiseUpdateEqualsOneStream)
{
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + 3);
    Crc32 crc;
    crc.Update(std::span(data).first(13));
    crc.Update(std::span(data).subspan(13));
    EXPECT_EQ(crc.Value(), ComputeCrc32(data));
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

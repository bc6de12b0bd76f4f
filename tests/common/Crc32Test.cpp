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

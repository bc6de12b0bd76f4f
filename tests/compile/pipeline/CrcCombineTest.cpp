#include "common/Crc32.h"
#include "compile/CrcCombine.h"

#include <gtest/gtest.h>

#include <vector>

namespace kdx {
namespace {

TEST(CrcCombine, EqualsTheCrcOfTheJoinedBytes)
{
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + (i >> 8));
    const uint32_t whole = ComputeCrc32(bytes);
    for (size_t cut : {size_t(0), size_t(1), size_t(4), size_t(1234), size_t(4999), size_t(5000)}) {
        const std::span<const uint8_t> all(bytes);
        EXPECT_EQ(CombineCrc32(ComputeCrc32(all.first(cut)), ComputeCrc32(all.subspan(cut)), bytes.size() - cut), whole)
            << cut;
    }
}

} // namespace
} // namespace kdx

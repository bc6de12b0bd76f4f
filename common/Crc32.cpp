#include "common/Crc32.h"

#include <algorithm>
#include <array>

namespace kdx {
namespace {

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

} // namespace

void Crc32::Update(std::span<const uint8_t> bytes)
{
    uint32_t c = m_state;
    for (uint8_t b : bytes)
        c = kTable[(c ^ b) & 0xFF] ^ (c >> 8);
    m_state = c;
}

void Crc32::Update(const void* data, size_t size)
{
    Update(std::span<const uint8_t>(static_cast<const uint8_t*>(data), size));
}

uint32_t ComputeCrc32(std::span<const uint8_t> bytes)
{
    Crc32 crc;
    crc.Update(bytes);
    return crc.Value();
}

uint32_t ComputeFileSeal(std::span<const uint8_t> file)
{
    Crc32 crc;
    crc.Update(file.first(std::min(file.size(), kSealOffset)));
    if (file.size() > kSealOffset + 4)
        crc.Update(file.subspan(kSealOffset + 4));
    return crc.Value();
}

} // namespace kdx

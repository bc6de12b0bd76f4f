#include "common/Crc32.h"

#include <algorithm>
#include <array>

namespace kdx {
namespace {

// Eight tables: kTables[0] is the classic byte table; kTables[k] advances a
// byte through k further zero bytes, so eight bytes are folded per step
// with exactly the values the byte-at-a-time loop gives.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables()
{
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t k = 1; k < 8; ++k)
            t[k][i] = t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8);
    return t;
}

constexpr Tables kTables = MakeTables();

} // namespace

void Crc32::Update(std::span<const uint8_t> bytes)
{
    uint32_t c = m_state;
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        uint32_t low = c ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        c = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
            kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    }
    for (; n > 0; --n, ++p)
        c = kTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
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

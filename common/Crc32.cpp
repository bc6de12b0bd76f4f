#include "common/Crc32.h"

#include <algorithm>
#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KDX_CRC32_CLMUL 1
#endif

namespace kdx {
namespace {

// Eight tables (the path for short runs and for processors without
// carry-less multiplication): kTables[0] is the classic byte table; kTables[k] advances a
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

#ifdef KDX_CRC32_CLMUL
// Folding by carry-less multiplication: four 128-bit lanes are folded 64
// bytes at a time, then into one lane, then reduced to 32 bits (Barrett).
// Pictures of several megabytes are checked on every load and compile, and
// this is about ten times the speed of the tables. 'n' is a multiple of 16,
// at least 64; 'c' is the running (not yet inverted) register.
constexpr size_t kClmulMinimum = 64;

#define KDX_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

KDX_CLMUL_TARGET inline __m128i Load(const uint8_t* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// One lane carried 'k' bits further on and added to the next bytes.
KDX_CLMUL_TARGET inline __m128i Fold(__m128i lane, __m128i k, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

KDX_CLMUL_TARGET uint32_t FoldClmul(uint32_t c, const uint8_t* p, size_t n)
{
    alignas(16) static constexpr uint64_t kFold4[2] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static constexpr uint64_t kFold1[2] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static constexpr uint64_t kFold64[2] = {0x0163cd6124, 0};
    alignas(16) static constexpr uint64_t kBarrett[2] = {0x01db710641, 0x01f7011641};
    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(int(c)));
    __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
    p += 64;
    n -= 64;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
    for (; n >= 64; n -= 64, p += 64) {
        x1 = Fold(x1, k, Load(p));
        x2 = Fold(x2, k, Load(p + 16));
        x3 = Fold(x3, k, Load(p + 32));
        x4 = Fold(x4, k, Load(p + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
    x1 = Fold(x1, k, x2);
    x1 = Fold(x1, k, x3);
    x1 = Fold(x1, k, x4);
    for (; n >= 16; n -= 16, p += 16)
        x1 = Fold(x1, k, Load(p));

    // 128 bits to 64, then the Barrett reduction to 32.
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k, 0x00), _mm_srli_si128(x1, 4));
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), k, 0x00);
    return uint32_t(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

bool HasClmul()
{
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}
#endif

} // namespace

void Crc32::Update(std::span<const uint8_t> bytes)
{
    uint32_t c = m_state;
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
#ifdef KDX_CRC32_CLMUL
    if (n >= kClmulMinimum && HasClmul()) {
        const size_t folded = n & ~size_t(15);
        c = FoldClmul(c, p, folded);
        p += folded;
        n -= folded;
    }
#endif
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

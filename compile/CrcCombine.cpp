#include "compile/CrcCombine.h"

#include <array>

namespace kdx {
namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u; // reflected

// a(x) * b(x) modulo the polynomial, in the reflected bit order.
constexpr uint32_t MultiplyModP(uint32_t a, uint32_t b)
{
    uint32_t m = 1u << 31, product = 0;
    for (;;) {
        if (a & m) {
            product ^= b;
            if ((a & (m - 1)) == 0)
                break;
        }
        m >>= 1;
        b = (b & 1) ? (b >> 1) ^ kPolynomial : b >> 1;
    }
    return product;
}

// x^(2^k) modulo the polynomial for k = 0..31.
constexpr std::array<uint32_t, 32> PowersOfX()
{
    std::array<uint32_t, 32> table{};
    uint32_t p = 1u << 30; // x^1
    table[0] = p;
    for (int k = 1; k < 32; ++k)
        table[k] = p = MultiplyModP(p, p);
    return table;
}

constexpr std::array<uint32_t, 32> kPowers = PowersOfX();

// x^(n * 2^k) modulo the polynomial.
uint32_t PowerOfX(uint64_t n, unsigned k)
{
    uint32_t p = 1u << 31; // x^0
    for (; n; n >>= 1, ++k)
        if (n & 1)
            p = MultiplyModP(kPowers[k & 31], p);
    return p;
}

} // namespace

uint32_t CombineCrc32(uint32_t first, uint32_t second, uint64_t secondLength)
{
    return MultiplyModP(PowerOfX(secondLength, 3), first) ^ second;
}

} // namespace kdx

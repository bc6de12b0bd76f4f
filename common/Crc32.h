#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace kdx {

// The one CRC-32 of the tool chain: IEEE 802.3, reflected polynomial
// 0xEDB88320, initial value and final exclusive-or 0xFFFFFFFF; long runs are
// folded with carry-less multiplication where the processor has it, short
// ones go through tables. Used for file seals, cached frames and upload
// blocks.
class Crc32 {
public:
    void Update(std::span<const uint8_t> bytes);
    void Update(const void* data, size_t size);
    uint32_t Value() const { return ~m_state; }

private:
    uint32_t m_state = 0xFFFFFFFFu;
};

uint32_t ComputeCrc32(std::span<const uint8_t> bytes);

// Offset of the stored seal in a file that begins with a FileHeader.
inline constexpr size_t kSealOffset = 40;

// The seal of a whole project or compiled file: bytes 0..39, then 44..end,
// as one stream (the four stored bytes are left out).
uint32_t ComputeFileSeal(std::span<const uint8_t> file);

} // namespace kdx

#pragma once
#include <cstdint>

namespace kdx {

// The CRC-32 (IEEE 802.3) of two byte runs put together, from the CRC of
// each and the length of the second: frames are sealed where they are
// converted, and the file's seal is assembled from the pieces without
// reading the frames again.
uint32_t CombineCrc32(uint32_t first, uint32_t second, uint64_t secondLength);

} // namespace kdx

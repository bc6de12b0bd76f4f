#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kdx::test {

// Hand-made project files that use every class, out-of-range values, a long
// name, a 65535-byte send-data block and a page with both a background
// colour and a background image. The plain form is what the model writes;
// the other form spells the strings in the 8-bit form and puts null objects
// between the objects, which the model reads and writes back in the plain form.
std::vector<uint8_t> SampleProject(bool eightBitStringsAndNullObjects = false);

// A sealed file of the header, the view settings and the given bytes.
std::vector<uint8_t> SealedProject(const std::vector<uint8_t>& afterViewSettings, uint32_t depth = 16);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace kdx::test

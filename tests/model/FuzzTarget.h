#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kdx::test {

// Loads one file image through CPageDoc. Returns an empty string when the
// outcome is sound: either a known error with a text, or a project that
// saves and loads again to the same bytes. Otherwise says what went wrong.
std::string CheckOneInput(const uint8_t* data, size_t size);

} // namespace kdx::test

#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// Code page 936 (simplified Chinese GBK), the terminal's text encoding.
// A character without a mapping becomes "?"; 'unmapped', when given,
// receives the index in 'text' of each such character.
std::string EncodeCp936(std::u16string_view text, std::vector<size_t>* unmapped = nullptr);

// Decodes 8-bit text in code page 936; a byte sequence that does not decode
// becomes U+FFFD so that nothing stops a file from loading.
std::u16string DecodeCp936(std::string_view bytes);

} // namespace kdx

#pragma once
#include <string>
#include <string_view>

namespace kdx {

// File names are bytes, not always UTF-8 (names from archives made on other
// systems). Paths travel as UTF-16 between the programs without losing a
// byte: valid UTF-8 is decoded, every other byte b becomes the unpaired
// surrogate U+DC00+b, and encoding turns those back into their bytes.
std::u16string LocalPathToUtf16(std::string_view bytes);
std::string Utf16ToLocalPath(std::u16string_view text);

// Appends one code point (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t code);

} // namespace kdx

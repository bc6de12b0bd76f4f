#pragma once
#include <cstdint>
#include <span>

namespace kdx {

// The terminal's three built-in fonts: square cells of 16, 24 and 32 pixels,
// character set GB2312 (134), code page 936. Never stored in a project.
struct TerminalFont {
    uint32_t id;          // 1, 2, 3
    int nameStringId;     // "16x16", "24x24", "32x32" in the editor's table
    const char16_t* name;
    int cellWidth;
    int cellHeight;
    int charSet;
    int codePage;
};

std::span<const TerminalFont> TerminalFonts();
// The font with this id, or nullptr.
const TerminalFont* FindTerminalFont(uint32_t id);

} // namespace kdx

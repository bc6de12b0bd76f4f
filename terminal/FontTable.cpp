#include "terminal/FontTable.h"

#include <array>

namespace kdx {
namespace {

constexpr std::array<TerminalFont, 3> kFonts = {{
    {1, 20820, u"16x16", 16, 16, 134, 936},
    {2, 20821, u"24x24", 24, 24, 134, 936},
    {3, 20822, u"32x32", 32, 32, 134, 936},
}};

} // namespace

std::span<const TerminalFont> TerminalFonts() { return kFonts; }

const TerminalFont* FindTerminalFont(uint32_t id)
{
    for (const TerminalFont& f : kFonts)
        if (f.id == id)
            return &f;
    return nullptr;
}

} // namespace kdx

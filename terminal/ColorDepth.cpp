#include "terminal/ColorDepth.h"

#include <algorithm>

namespace kdx {

int BytesPerPixel(int colorDepth)
{
    switch (colorDepth) {
    case int(ColorDepth::Rgb565): return 2;
    case int(ColorDepth::Rgb888): return 3;
    default: return 0;
    }
}

std::optional<Color> KeptColor(Color chosen, uint32_t colorDepth)
{
    const uint8_t r = uint8_t(chosen), g = uint8_t(chosen >> 8), b = uint8_t(chosen >> 16);
    switch (colorDepth) {
    case uint32_t(ColorDepth::Rgb565): return Color(Cut5(r) << 3) | Color(Cut6(g) << 2) << 8 | Color(Cut5(b) << 3) << 16;
    case uint32_t(ColorDepth::Rgb888): return chosen & 0x00FFFFFFu;
    default: return std::nullopt;
    }
}

void ColorRecordBytes(Color color, uint32_t colorDepth, uint8_t out[4])
{
    if (color == kNoColor) {
        std::fill(out, out + 4, 0);
        return;
    }
    const uint8_t r = uint8_t(color), g = uint8_t(color >> 8), b = uint8_t(color >> 16);
    const bool cut = colorDepth == uint32_t(ColorDepth::Rgb565);
    out[0] = cut ? Cut5(b) : b;
    out[1] = cut ? Cut6(g) : g;
    out[2] = cut ? Cut5(r) : r;
    out[3] = 0xFF;
}

QColor ShownRecordColor(uint32_t value, int colorDepth)
{
    const uint8_t b = uint8_t(value), g = uint8_t(value >> 8), r = uint8_t(value >> 16);
    if (colorDepth == int(ColorDepth::Rgb565))
        return QColor(Spread5(r), Spread6(g), Spread5(b));
    return QColor(r, g, b);
}

} // namespace kdx

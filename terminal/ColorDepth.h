#pragma once
#include "terminal/ScreenTypes.h"

#include <QColor>

#include <cstdint>
#include <optional>

namespace kdx {

// A terminal shows colours at 16 or 24 bits. At 16 bits it keeps the top
// 5 bits of red, 6 of green and 5 of blue (5-6-5); shown on a desktop, those
// bits are spread back over 8 bits (the top bits repeated below them), so
// that cutting them again gives the same bits and white stays white.
enum class ColorDepth { Rgb565 = 16, Rgb888 = 24 };

constexpr uint8_t Cut5(uint8_t component) { return component >> 3; }
constexpr uint8_t Cut6(uint8_t component) { return component >> 2; }
constexpr uint8_t Spread5(unsigned bits)
{
    bits &= 0x1F;
    return uint8_t(bits << 3 | bits >> 2);
}
constexpr uint8_t Spread6(unsigned bits)
{
    bits &= 0x3F;
    return uint8_t(bits << 2 | bits >> 4);
}

// A picture pixel at 16 bits: RRRRRGGG GGGBBBBB, stored high byte first.
constexpr uint16_t Pack565(uint8_t r, uint8_t g, uint8_t b)
{
    return uint16_t(Cut5(r) << 11 | Cut6(g) << 5 | Cut5(b));
}
constexpr QRgb Unpack565(uint16_t pixel)
{
    return qRgb(Spread5(pixel >> 11), Spread6(pixel >> 5), Spread5(pixel));
}

// Bytes a picture pixel takes: 2 at 16 bits (as above), 3 at 24 (B, G, R);
// 0 for any other depth.
int BytesPerPixel(int colorDepth);

// A chosen colour as a project of that depth keeps it: the bits a 16-bit
// terminal drops are cleared. None for a depth other than 16 or 24.
std::optional<Color> KeptColor(Color chosen, uint32_t colorDepth);

// The four bytes of a colour in a colour record: B, G, R, 0xFF; at depth 16
// the components cut to 5, 6 and 5 bits; none gives four zeros.
void ColorRecordBytes(Color color, uint32_t colorDepth, uint8_t out[4]);

// The colour a terminal shows for a colour record's value (its bytes B, G, R
// from the low end), at depth 16 spread back over 8 bits.
QColor ShownRecordColor(uint32_t value, int colorDepth);

} // namespace kdx

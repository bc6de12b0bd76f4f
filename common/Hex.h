#pragma once

namespace kdx {

// The value of one hexadecimal digit of either case, -1 for anything else.
constexpr int HexDigitValue(char16_t unit)
{
    if (unit >= u'0' && unit <= u'9')
        return unit - u'0';
    if (unit >= u'a' && unit <= u'f')
        return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F')
        return unit - u'A' + 10;
    return -1;
}

// The upper-case digit of a value below 16 (below 10 it is a decimal digit).
constexpr char16_t HexDigitChar(int value)
{
    return char16_t(value < 10 ? u'0' + value : u'A' + value - 10);
}

} // namespace kdx

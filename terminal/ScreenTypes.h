#pragma once
#include <algorithm>
#include <cstdint>

namespace kdx {

// Colours and rectangles on the terminal's screen, as the project stores
// them and the page painter draws them.
using Color = uint32_t;                   // 0x00BBGGRR
constexpr Color kNoColor = 0xFFFFFFFFu;   // no outline, no fill, no background

// A rectangle in screen pixels: left, top, right, bottom, right and bottom
// exclusive. Unlike QRect it may be flipped (a line's start and end points).
struct PageRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    PageRect Normalized() const
    {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    PageRect Inflated(int32_t dx, int32_t dy) const
    {
        return {left - dx, top - dy, right + dx, bottom + dy};
    }
    bool IsEmpty() const { return left >= right || top >= bottom; }
    bool Contains(int32_t x, int32_t y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }
    // Whether two normalised rectangles share at least one pixel.
    bool Overlaps(const PageRect& o) const
    {
        return !IsEmpty() && !o.IsEmpty() && left < o.right && o.left < right && top < o.bottom &&
               o.top < bottom;
    }
    bool operator==(const PageRect&) const = default;
};

} // namespace kdx

#pragma once

namespace kdx {

// The width a character takes on the terminal, in a font of cells
// 'cellWidth' pixels wide: characters of one byte in code page 936 half a
// cell, all others a whole cell. Wrapping, drawing and the in-place editor
// all measure by it.
constexpr int CellAdvance(int cellWidth, char16_t unit)
{
    return unit < 0x80 ? cellWidth / 2 : cellWidth;
}

} // namespace kdx

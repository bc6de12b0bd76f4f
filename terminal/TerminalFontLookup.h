#pragma once
#include "terminal/FontTable.h"

#include <QFont>

namespace kdx {

// A terminal font as the desktop draws it: a Chinese font of the system
// (WenQuanYi Zen Hei where installed, else any family that writes
// simplified Chinese), fixed pitch, not anti-aliased, at the largest pixel
// size whose glyphs keep their ink inside the terminal's cells, and the
// baseline that places that ink inside the cell. Needs a running
// QGuiApplication.
struct TerminalGlyphs {
    QFont font;
    int baseline = 0; // from the top of the cell
};
const TerminalGlyphs& TerminalGlyphsOf(const TerminalFont& font);

// The font of TerminalGlyphsOf.
QFont TerminalQFont(const TerminalFont& font);

} // namespace kdx

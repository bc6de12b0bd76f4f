#pragma once
#include "model/FontTable.h"

#include <QFont>

namespace kdx {

// The screen font that stands for a terminal font: a Chinese font of the
// system (WenQuanYi Zen Hei where installed, else any family that writes
// simplified Chinese), pixel size = cell height, fixed pitch, not
// anti-aliased. Needs a running QGuiApplication.
QFont TerminalQFont(const TerminalFont& font);

} // namespace kdx

#pragma once
#include <QIcon>

namespace kdx {

// The toolbar image of a command (24 x 24, with a greyed disabled look),
// or a null icon for commands without one.
QIcon CommandIcon(int id);
// The program's own icon.
QIcon ApplicationIcon();

} // namespace kdx

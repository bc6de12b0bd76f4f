// Kept apart from <termios.h>, whose struct termios clashes with the
// kernel's definitions needed for termios2.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kdx::vterm {

int CustomBaudOf(int fd)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return int(t.c_ospeed);
}

} // namespace kdx::vterm

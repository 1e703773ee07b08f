#include "line_mode.h"

// termbits.h, not termios.h: only TCGETS2 reports a custom speed, and the two
// headers cannot share a file.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zorvane::radio {

LineMode ReadLineMode(int fd)
{
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return {};
    LineMode mode;
    mode.inputSpeed = tio.c_ispeed;
    mode.outputSpeed = tio.c_ospeed;
    switch (tio.c_cflag & CSIZE) {
    case CS5: mode.dataBits = 5; break;
    case CS6: mode.dataBits = 6; break;
    case CS7: mode.dataBits = 7; break;
    default: mode.dataBits = 8; break;
    }
    mode.parity = (tio.c_cflag & PARENB) != 0;
    mode.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    mode.valid = true;
    return mode;
}

} // namespace zorvane::radio

#include "os/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace zorvane::os {

TerminalSize TerminalSizeNow()
{
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0)
        return {};
    return {size.ws_row, size.ws_col};
}

} // namespace zorvane::os

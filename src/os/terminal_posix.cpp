#include "os/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace zorvane::os {

int TerminalRows()
{
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_row;
}

} // namespace zorvane::os

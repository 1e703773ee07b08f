#include "os/terminal.h"

#include <windows.h>

namespace zorvane::os {

int TerminalRows()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 0;
    return info.srWindow.Bottom - info.srWindow.Top + 1;
}

} // namespace zorvane::os

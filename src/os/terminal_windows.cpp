#include "os/terminal.h"

#include <windows.h>

namespace zorvane::os {

TerminalSize TerminalSizeNow()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return {};
    return {info.srWindow.Bottom - info.srWindow.Top + 1, info.srWindow.Right - info.srWindow.Left + 1};
}

} // namespace zorvane::os

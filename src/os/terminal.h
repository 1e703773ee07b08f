// The terminal the flasher draws on.
#pragma once

namespace zorvane::os {

struct TerminalSize {
    int rows = 0;      // 0: unknown
    int columns = 0;
};

// The size of the terminal on standard output; zeros when it is not a
// terminal or does not say.
TerminalSize TerminalSizeNow();

} // namespace zorvane::os

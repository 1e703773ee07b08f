// The terminal the flasher draws on.
#pragma once

namespace zorvane::os {

// The number of rows of the terminal on standard output; 0 when it is not
// a terminal or does not say.
int TerminalRows();

} // namespace zorvane::os

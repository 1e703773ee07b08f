// Who runs the program.
#pragma once

#include <string>

namespace zorvane::os {

// The login name of the account the program runs under, from the system's
// account database; empty when it has none.
std::string AccountName();

} // namespace zorvane::os

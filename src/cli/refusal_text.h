// What the flasher prints when a run cannot start, and its exit status.
#pragma once

#include <string>

#include "prepare/refusal.h"

namespace zorvane::cli {

// One line that says what is wrong, and where to look, as GNU tools do: exit 2.
int UsageError(const std::string& error);

// The refusal's box with its cause line (on standard error when standard
// output holds events), or its usage line; the exit status.
int ShowRefusal(const prepare::Refusal& refusal, bool json);

} // namespace zorvane::cli

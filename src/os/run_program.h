// Starting a helper program and waiting for it, without a shell between.
#pragma once

#include <string>
#include <vector>

namespace zorvane::os {

// Runs program (looked up on PATH) with arguments, its output discarded,
// no signal blocked and every disposition at its default, and returns its
// exit status; -1 when it could not be started or its status was lost.
int RunQuietly(const std::string& program, const std::vector<std::string>& arguments);

} // namespace zorvane::os

// What the flasher answers a line error, the same for every way it shows a
// run: the answer given on the command line, else the operator's when there
// is a terminal to ask on, else Stop.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "engine/run_host.h"

namespace zorvane::cli {

struct LineErrorDecision {
    std::optional<Answer> answer;   // none: ask the operator
    std::string said;               // what the screen says of the answer decided here
};

LineErrorDecision DecideLineError(LineErrorAnswer configured, bool canAsk);

} // namespace zorvane::cli

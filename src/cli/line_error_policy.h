// What the flasher answers a line error, the same for every way it shows a
// run: the answer given on the command line, else the operator's when there
// is a terminal to ask on, else Stop.
#pragma once

#include <functional>
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

// Where several radios share the terminal nobody can answer one of them:
// the answer configured, said on that radio's lines; Stop when it is ask.
Answer AnswerWithoutAsking(LineErrorAnswer configured, const std::function<void(const std::string&)>& say);

} // namespace zorvane::cli

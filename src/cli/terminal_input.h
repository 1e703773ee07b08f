// Answers read from standard input, one line each, while a run may be
// stopped at any moment.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "engine/run_host.h"

namespace zorvane::cli {

enum class Reply { Ok, Cancel, NoAnswer };

// Waits for a line: empty (Enter) is OK when okIsDefault, "o"/"y" OK,
// "c"/"n" Cancel. End of input is NoAnswer; a stop request is Cancel.
Reply ReadReply(bool okIsDefault, const std::stop_token& stop);

// A whole line without its line end; nullopt at the end of input or on a
// stop request.
std::optional<std::string> ReadLine(const std::stop_token& stop);

// The reset prompt, for one radio or a bench: says the question, waits for
// the operator's Enter, and says so when none comes (end of input); `runs`
// names what stops then ("the run", "the runs").
Answer AskForReset(const std::string& question, const std::string& runs,
                   const std::function<void(const std::string&)>& say, std::stop_token stop);

// Whether standard input and output are terminals.
bool InputIsTerminal();
bool OutputIsTerminal();

} // namespace zorvane::cli

// Answers read from standard input, one line each, while a run may be
// stopped at any moment.
#pragma once

#include <optional>
#include <stop_token>
#include <string>

namespace zorvane::cli {

enum class Reply { Ok, Cancel, NoAnswer };

// Waits for a line: empty (Enter) is OK when okIsDefault, "o"/"y" OK,
// "c"/"n" Cancel. End of input is NoAnswer; a stop request is Cancel.
Reply ReadReply(bool okIsDefault, const std::stop_token& stop);

// A whole line without its line end; nullopt at the end of input or on a
// stop request.
std::optional<std::string> ReadLine(const std::stop_token& stop);

// Whether standard input and output are terminals.
bool InputIsTerminal();
bool OutputIsTerminal();

} // namespace zorvane::cli

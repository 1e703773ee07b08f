// A line controller's commands to a shift, one JSON object per line on
// standard input: start a unit (on the next station or a named one), make a
// station the next, ask every station's state, end the shift. Each may carry
// an "id", echoed in its answer.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

namespace zorvane::cli {

struct ControllerCommand {
    enum class Kind { Start, Next, Status, End };
    Kind kind;
    nlohmann::ordered_json id;            // null when the command had none
    std::optional<std::string> unit;      // start: the radio's label (none with --no-units)
    std::optional<std::string> station;   // start, next: "3" or the port as given
};

// Why a command is refused, as a controller acts on it (reason) and in words.
struct CommandRefused {
    nlohmann::ordered_json id;
    std::string command;   // as given; empty when there was none
    std::string reason;    // unknown-station, busy, not-armed, label-used, label-pattern, malformed, unknown-command
    std::string text;
};

// A line as a command, or why it is not one (malformed, unknown-command).
std::variant<ControllerCommand, CommandRefused> ReadControllerCommand(const std::string& line);

const char* CommandName(ControllerCommand::Kind kind);

} // namespace zorvane::cli

// What a line typed (or scanned) at a shift's terminal asks for, and which
// station the next radio goes on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zorvane::cli {

struct EndShift {};                     // "q"
struct ChooseStation {                  // "@3" or "@/dev/ttyUSB2"
    std::size_t index;
};
struct ScannedLabel {                   // anything else; empty: Enter alone
    std::string label;
};
struct UnknownStation {                 // an "@" line that names no station
    std::string said;
};
using StationLine = std::variant<std::monostate, EndShift, ChooseStation, ScannedLabel, UnknownStation>;

// The station a name picks: a port as it was given, else "3" the third
// port (counted from 1); none when it names no station.
std::optional<std::size_t> StationNamed(const std::string& name, const std::vector<std::string>& ports);

// An empty line asks for nothing, except with noUnits, where Enter alone
// starts the next station. "@N" is the N-th port (counted from 1); any
// other "@" line names a port as it was given.
StationLine ReadStationLine(const std::string& line, const std::vector<std::string>& ports, bool noUnits);

// The station the next radio goes on: the chosen one while it is armed,
// else the first armed one after the last one used, in port order (round
// from the first when none was used yet); none when no station is armed.
std::optional<std::size_t> NextStation(const std::vector<bool>& armed, std::optional<std::size_t> lastUsed,
                                       std::optional<std::size_t> chosen);

} // namespace zorvane::cli

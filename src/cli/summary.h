// The end of a bench run: a table of every port's result, and one exit
// status for all of them.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_types.h"

namespace zorvane::cli {

struct PortResult {
    std::string port;
    RunReport report;
    std::optional<std::string> unit{};   // the radio's label, when the operator gave one
};

// colour: a bold heading, each result green or red (on a terminal only).
void PrintSummary(std::FILE* out, const std::vector<PortResult>& results, bool colour = false);

// 0 only when every run succeeded, else the highest exit status among the failures.
int ExitCodeForAll(const std::vector<PortResult>& results);

// The command that flashes just the failed radios again: the arguments as
// given, with only the failed ports and their units; none when none failed.
std::optional<std::string> FlashAgainCommand(const std::vector<std::string>& arguments,
                                             const std::vector<PortResult>& results);

} // namespace zorvane::cli

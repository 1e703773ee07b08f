// A flash run of the command's radios, or its --check: the files checked
// once, the units asked, the radios run as the options say, the records
// kept and sent.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "prepare/settings.h"

namespace zorvane::cli {

// database: where the records go; empty: nowhere. trace: the line's trace
// (one radio), closed here; none: no trace. started: where the events' time
// counts from. Returns the exit status.
int FlashCommand(const CliOptions& options, const prepare::Settings& settings, const std::string& database,
                 std::FILE* trace, std::chrono::steady_clock::time_point started);

} // namespace zorvane::cli

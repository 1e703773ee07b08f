// The flasher's files checked while it listens for stop signals, and the
// requests made of them.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/cli_options.h"

#include "os/signal_wait.h"
#include "prepare/run_preparation.h"

namespace zorvane::cli {

// The files are checked on a thread of their own while this one waits for
// the stop signals: Ctrl-C, SIGTERM or a hang-up ends a slow signature check
// at once, as a stop.
std::variant<prepare::CheckedInput, prepare::Refusal> CheckInputUnlessStopped(const prepare::InputChoices& choices,
                                                                              const prepare::Settings& settings,
                                                                              os::SignalWait& signalWait);

// Each port's request, the images read once for all, and its record's
// origin; a port that does not open is put in the diagnosis's words.
std::vector<prepare::PreparedPort> PreparedPortsFor(const CliOptions& options, const prepare::Settings& settings,
                                                    const prepare::CheckedInput& input,
                                                    const std::vector<std::string>& units);

} // namespace zorvane::cli

// The flasher's files checked while it listens for stop signals.
#pragma once

#include <variant>

#include "os/signal_wait.h"
#include "prepare/run_preparation.h"

namespace zorvane::cli {

// The files are checked on a thread of their own while this one waits for
// the stop signals: Ctrl-C, SIGTERM or a hang-up ends a slow signature check
// at once, as a stop.
std::variant<prepare::CheckedInput, prepare::Refusal> CheckInputUnlessStopped(const prepare::InputChoices& choices,
                                                                              const prepare::Settings& settings,
                                                                              os::SignalWait& signalWait);

} // namespace zorvane::cli

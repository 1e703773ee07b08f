// Flash runs on one or more ports at once, each on its own worker with the
// same engine; Ctrl-C and SIGTERM stop every run through its closing steps.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/port_record.h"
#include "engine/flash_runner.h"
#include "link/clock.h"
#include "os/signal_wait.h"

namespace zorvane::cli {

struct PortRun {
    std::string port;        // as given: 1, 2 or a device path
    RunRequest request;      // its port choice names the device it opens
    std::shared_ptr<PortRecord> record;   // hears the outcome before the ending is shown
    RunHost* host = nullptr;
};

// Called on a run's worker as the run ends: it only notes, and waits for nothing.
using RunEnded = std::function<void(std::size_t index)>;

// What the session's thread does when woken (with true when the terminal
// changed its size); returns when it wants to be woken next, if ever.
using SessionWake = std::function<std::optional<std::chrono::steady_clock::time_point>(bool resized)>;

// Runs every port's run at once and returns their reports in the same order.
// The calling thread sleeps until a stop signal, a run's end, or a wake-up
// the screen asked for. stopRequested hears the first Ctrl-C or SIGTERM, as
// every run is asked to stop; a hang-up stops none.
std::vector<RunReport> RunAll(std::vector<PortRun>& runs, link::Clock& clock, os::SignalWait& signalWait,
                              std::FILE* trace, const std::function<void()>& stopRequested, RunEnded finished,
                              const SessionWake& wake = {});

} // namespace zorvane::cli

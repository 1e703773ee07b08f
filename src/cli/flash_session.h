// Flash runs on one or more ports at once, each on its own worker with the
// same engine; Ctrl-C and SIGTERM stop every run through its closing steps.
#pragma once

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/port_record.h"
#include "engine/flash_runner.h"
#include "link/clock.h"

namespace zorvane::cli {

struct PortRun {
    std::string port;        // as given: 1, 2 or a device path
    std::string device;      // the device it opens
    RunRequest request;
    std::shared_ptr<PortRecord> record;   // hears the outcome before the ending is shown
    RunHost* host = nullptr;
};

// Blocks SIGINT, SIGTERM and SIGWINCH in every thread; RunAll takes them itself.
// Call before any thread starts.
sigset_t BlockStopSignals();

// Called on a run's worker as the run ends, with a token that a stop
// signal requests: what it waits for must end then too.
using RunEnded = std::function<void(std::size_t index, std::stop_token stop)>;

// Runs every port's run at once and returns their reports in the same order.
// stopRequested hears the first Ctrl-C or SIGTERM, as every run is asked to stop;
// wake, when given, is called at least ten times a second while the runs go
// on, and with true when the terminal changed its size.
std::vector<RunReport> RunAll(std::vector<PortRun>& runs, link::Clock& clock, const sigset_t& stopSignals,
                              std::FILE* trace, const std::function<void()>& stopRequested, RunEnded finished,
                              const std::function<void(bool resized)>& wake = {});

} // namespace zorvane::cli

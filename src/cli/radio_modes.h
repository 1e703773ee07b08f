// The flasher's ways of running the radios of one command, a file each:
// one radio at a terminal (one_radio.cpp), a bench of several
// (bench_radios.cpp), and a line controller's event stream
// (controller_radios.cpp). Each fills one report per radio and returns the
// exit status of the runs.
#pragma once

#include <cstdio>
#include <vector>

#include "cli/cli_options.h"
#include "cli/flash_session.h"
#include "cli/json_events.h"
#include "cli/summary.h"

namespace zorvane::cli {

// One radio: the run's boxes and lines as they come, the five results at the end.
int FlashOneRadio(const CliOptions& options, std::vector<PortRun>& runs, link::Clock& clock,
                  os::SignalWait& signalWait, std::FILE* trace, std::vector<RunReport>& reports);

// Several radios at once: one reset prompt, a line per port, a table at the end.
int FlashBench(const CliOptions& options, std::vector<PortRun>& runs, link::Clock& clock, os::SignalWait& signalWait,
               std::vector<RunReport>& reports);

// A production line's controller: events on standard output, the summary
// table for people on standard error.
int FlashForController(const CliOptions& options, std::vector<PortRun>& runs, link::Clock& clock,
                       os::SignalWait& signalWait, JsonEvents& events, std::vector<RunReport>& reports);
// The event that ends the stream: every port's outcome and the exit status.
void EmitSummary(JsonEvents& events, const std::vector<PortRun>& runs, const std::vector<RunReport>& reports,
                 int exitCode);

// Every port's result as it was told (a port that did not open by its
// diagnosis, which the run made).
std::vector<PortResult> ResultsOf(const std::vector<PortRun>& runs, const std::vector<RunReport>& reports);

} // namespace zorvane::cli

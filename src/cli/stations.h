// A production bench that never waits for its slowest radio: each port is
// a station that arms (port open, the box in smart mode, waiting at the
// reset question), runs the radio whose label is scanned onto it, shows how
// it ended and arms again, until the operator ends the shift.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "os/signal_wait.h"
#include "prepare/run_preparation.h"
#include "records/spool.h"

namespace zorvane::cli {

// A station whose port cannot be opened tries again this often.
constexpr std::chrono::seconds kStationRetry{5};

// Runs the shift; recordKept is called after each radio's record is written
// (to send it on). Returns the shift's exit status.
// owedTo: the records databases each record goes to.
int FlashStations(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
                  const std::vector<DatabasePlace>& owedTo, os::SignalWait& signalWait,
                  const std::function<void()>& recordKept);

// The shifts file beside the records file: flash-records.jsonl keeps its
// shifts in flash-records.shifts.jsonl.
std::string ShiftsFileFor(const std::string& recordsPath);

} // namespace zorvane::cli

// One flash run, from the platform check to the closing steps.
#pragma once

#include <chrono>
#include <stop_token>

#include "engine/run_context.h"

namespace zorvane {

constexpr auto kTimer1Interval = std::chrono::milliseconds(500);

// The "Begin FLASH" click: runs every stage in order and always leaves
// through the closing steps once past the platform check. Fills ctx.report.
RunOutcome cmdBeginFlash_Click(RunContext& ctx);

// A whole run on the given port: the request in, the report out.
// The recorder, when given, hears the outcome before the ending is shown.
RunReport RunFlash(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
                   std::stop_token stop, RunRecorder* recorder = nullptr);

} // namespace zorvane

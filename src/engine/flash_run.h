// One flash run, from the platform check to the closing steps.
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <vector>

#include "engine/run_context.h"
#include "link/protocol.h"

namespace zorvane {

using link::kTimer1Interval;

// What a run sends for its images after the boot code, in order: the
// commands (CONFIG, then each image's erase) and the images it programs.
struct RunSequence {
    std::vector<std::uint8_t> commands;
    std::vector<const files::Image*> images;
};
RunSequence SequenceFor(const RunImages& images);

// The "Begin FLASH" click: runs every stage in order and always leaves
// through the closing steps once past the platform check. Fills ctx.report.
RunOutcome cmdBeginFlash_Click(RunContext& ctx);

// A whole run on the given port: the request in, the report out.
// The recorder, when given, hears the outcome before the ending is shown.
RunReport RunFlash(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
                   std::stop_token stop, RunRecorder* recorder = nullptr);

} // namespace zorvane

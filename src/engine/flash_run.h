// One flash run, from the platform check to the closing steps.
#pragma once

#include <cstdint>

#include "engine/run_context.h"

namespace zorvane {

// How a run ended; the command-line flasher turns it into its exit status.
enum class RunOutcome {
    Success,
    NoPlatform,
    PortFailed,     // the port did not open
    SerialFailed,   // the port failed after it opened
    BootFailed,
    ConfigFailed,
    EepromFailed,
    FlashFailed,
    Cancelled,
    InternalError,
};

constexpr auto kTimer1Interval = std::chrono::milliseconds(500);

// The "Begin FLASH" click: runs every stage in order and always leaves
// through the closing steps once past the platform check.
RunOutcome cmdBeginFlash_Click(RunContext& ctx, bool platformSelected);

// Stage checks: True (-1) for the stage's success code; otherwise the stage's
// warning box is shown and the answer is False (0).
std::int16_t CheckBootResult(RunContext& ctx, const StageOutcome& outcome);
std::int16_t CheckEepromResult(RunContext& ctx, const StageOutcome& outcome);
std::int16_t CheckFlashResult(RunContext& ctx, const StageOutcome& outcome);

// The message a stage check shows for a failed code, as (text, title).
struct StageMessage {
    std::string text;
    std::string title;
};
StageMessage BootResultMessage(const FlashRunState& state, const StageOutcome& outcome);
StageMessage EepromResultMessage(const FlashRunState& state, const StageOutcome& outcome);
StageMessage FlashResultMessage(const FlashRunState& state, const StageOutcome& outcome);

} // namespace zorvane

// Getting the radio's boot code running: smart mode on the KRIX box, then
// the 1025 boot bytes, their echo and the boot code's version reply.
#pragma once

#include <chrono>
#include <cstddef>

#include "engine/run_context.h"

namespace zorvane {

constexpr std::size_t kBootBytes = 1025;
constexpr std::size_t kBootEchoBytes = 1024;   // the boot ROM echoes from the second byte on
constexpr int kVersionReplyBytes = 5;
constexpr auto kEchoWaitLimit = std::chrono::seconds(4);
constexpr auto kEchoLate = std::chrono::seconds(3);     // an echo this late fails the stage
constexpr auto kVersionWaitLimit = std::chrono::seconds(3);

// Boot stage result codes.
constexpr std::int16_t kBootFileMissing = 3;
constexpr std::int16_t kBootOk = 4;
constexpr std::int16_t kBootNotTransferred = 5;
constexpr std::int16_t kBootNoVersion = 6;
constexpr std::int16_t kBootWrongSize = 7;

// Puts the KRIX box into smart mode and returns once the operator has
// confirmed the radio reset.
void StartSmartMode(RunContext& ctx);

// Sends the boot file and reads back the version; returns 3, 4, 5, 6 or 7.
StageOutcome SendBootFile(RunContext& ctx);

} // namespace zorvane

// Getting the radio's boot code running: smart mode on the KRIX box, then
// the 1025 boot bytes, their echo and the boot code's version reply.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/run_context.h"
#include "link/protocol.h"

namespace zorvane {

using files::kBootBytes;
using link::kBootEchoBytes;
using link::kEchoLate;
using link::kEchoWaitLimit;
using link::kSmartModePause;
using link::kVersionWaitLimit;

// Boot stage results. The values are the stage codes that the boot and the
// image stages share (3 to 10).
enum class BootResult {
    FileMissing = 3,
    Ok = 4,
    NotTransferred = 5,
    NoVersion = 6,
    WrongSize = 7,
};

struct BootOutcome {
    BootResult result = BootResult::NotTransferred;
    std::optional<RunFault> fault;  // what went wrong, when the result is not Ok
    bool fileFault = false;         // the boot file could not be used: nothing was sent
    std::string version;            // from the version reply, once one was read
    std::optional<std::array<std::uint8_t, 2>> versionBytes;   // r2 and r3 of that reply
    std::uint16_t checksum = 0;     // sum of the 1025 boot bytes modulo 65536
};

// Puts the KRIX box into smart mode and returns once the operator has
// confirmed the radio reset; a Stop answer stops the run (link::RunCancelled).
void StartSmartMode(RunContext& ctx);

// Sends the run's boot code and reads back the version.
BootOutcome SendBootFile(RunContext& ctx);

} // namespace zorvane

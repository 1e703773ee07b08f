// Programming an S-record image into the radio's EEPROM or FLASH in
// acknowledged blocks that never cross a 128-byte page.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/run_context.h"
#include "link/protocol.h"

namespace zorvane {

using link::kOpProgramEeprom;
using link::kOpProgramFlash;

constexpr auto kResendInterval = std::chrono::seconds(3);  // resends at 3, 6 and 9 s
constexpr int kMaxResends = 3;
constexpr auto kBlockAckLimit = std::chrono::seconds(12);

// Image stage results. The values are the stage codes that the boot and
// the image stages share (3 to 10).
enum class ImageResult {
    FileMissing = 3,
    Ok = 8,
    Failed = 9,      // a file that cannot be used; nothing was sent
    LineError = 10,
};

struct ImageOutcome {
    ImageResult result = ImageResult::Failed;
    std::string cause;                       // in words, when the result is not Ok
    std::optional<ImageChecksum> checksum;   // once the first data record was read
    std::optional<RunFault> fault{};         // the block or file fault behind cause
};

// Programs the run's EEPROM image for kOpProgramEeprom, its firmware image
// for any other opcode.
ImageOutcome ProgramImage(RunContext& ctx, std::uint8_t opcode);

} // namespace zorvane

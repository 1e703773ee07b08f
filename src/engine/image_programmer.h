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

using link::kBlockAckLimit;
using link::kMaxResends;
using link::kResendInterval;

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
    std::optional<ImageChecksum> checksum;   // once the first data record was read
    std::optional<RunFault> fault{};         // the block or file fault, when the result is not Ok
};

// Programs an image of the run with the opcode of its memory
// (kOpProgramEeprom, kOpProgramFlash).
ImageOutcome ProgramImage(RunContext& ctx, std::uint8_t opcode, const files::Image& image);

} // namespace zorvane

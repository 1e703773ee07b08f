// Programming an S-record image into the radio's EEPROM or FLASH in
// acknowledged blocks that never cross a 128-byte page.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "engine/run_context.h"

namespace zorvane {

constexpr std::uint8_t kOpProgramEeprom = 0x22;
constexpr std::uint8_t kOpProgramFlash = 0x08;

constexpr int kPageBytes = 128;
constexpr auto kResendInterval = std::chrono::seconds(3);  // resends at 3, 6 and 9 s
constexpr int kMaxResends = 3;
constexpr auto kBlockAckLimit = std::chrono::seconds(12);
// The line count is a signed 16-bit number in the progress arithmetic.
constexpr long kMaxImageLines = 32767;

// Image stage results, numbered as the operator's manual numbers them.
enum class ImageResult {
    FileMissing = 3,
    Ok = 8,
    Failed = 9,      // a file that cannot be programmed; nothing was sent
    LineError = 10,
};

struct ImageOutcome {
    ImageResult result = ImageResult::Failed;
    std::string cause;                       // in words, when the result is not Ok
    std::optional<ImageChecksum> checksum;   // once the first data record was read
};

// Programs the EEPROM image for opcode 0x22, the firmware image for any other opcode.
ImageOutcome ProgramImage(RunContext& ctx, std::uint8_t opcode);

// The number of lines of a text file, as the progress bar counts them.
long CountLines(const std::string& fileName);

// An image read the way programming will read it, before anything is sent.
struct ImageCheck {
    long lineCount = 0;
    std::size_t dataBytes = 0;   // of the S1 records before the end record
    std::size_t blocks = 0;      // programming blocks those bytes go in
    // What would stop programming: no lines, too many lines, no end record, a
    // record too long for the line buffer, or S1 data beyond address 0xFFFF.
    std::optional<std::string> fault;
};
ImageCheck CheckImageFile(const std::string& fileName);

// The image as programming will read it, or the stage's outcome for a file
// that is missing or cannot be programmed.
std::variant<ImageCheck, ImageOutcome> ReadImageFile(const std::string& fileName);

} // namespace zorvane

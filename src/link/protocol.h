// The line and the radio's boot code protocol: speeds, frames, opcodes and
// the acknowledgement rule's constants, each named here once.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "link/serial_port.h"

namespace zorvane::link {

// The KRIX box listens for smart mode at this line; the radio's boot ROM
// and boot code speak at kRadioBaud only, on the same line otherwise.
constexpr LineSettings kKrixLine{9600, 'N', 8, 1};
constexpr std::int32_t kRadioBaud = 7600;
constexpr int kLineBitsPerByte = 10;   // start, eight data bits, stop

// Command packets, block headers and the radio's answers are all five
// bytes: opcode, three bytes, and the 8-bit sum of those four.
constexpr std::size_t kFrameBytes = 5;
constexpr std::uint8_t kAckMarker = 0x7F;   // byte 3 of an accepted command
constexpr auto kAckTimeout = std::chrono::seconds(3);

// Commands: opcode 0 0 0 (Program CONFIG carries the CONFIG byte in byte 3).
constexpr std::uint8_t kOpEraseConfig = 0x31;
constexpr std::uint8_t kOpProgramConfig = 0x32;
constexpr std::uint8_t kOpEraseEeprom = 0x1F;
constexpr std::uint8_t kOpEraseRom = 0x05;
// Programming blocks: opcode, address high and low, length, then the data.
constexpr std::uint8_t kOpProgramEeprom = 0x22;
constexpr std::uint8_t kOpProgramFlash = 0x08;

} // namespace zorvane::link

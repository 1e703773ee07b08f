// The line and the radio's boot code protocol: speeds, frames, opcodes, the
// acknowledgement rule's constants and every wait and pause of a run, each
// named here once.
#pragma once

#include <array>
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

// Smart mode: the KRIX box takes the request, then, a pause later, the
// confirmation, and hands the line to the radio's boot ROM.
constexpr std::array<std::uint8_t, 5> kSmartModeRequest{0x1A, 0x12, 0x1A, 0x06, 0xDB};
constexpr std::array<std::uint8_t, 3> kSmartModeConfirm{0x02, 0x48, 0xB5};
constexpr std::chrono::seconds kSmartModePause{1};   // between the two smart-mode requests

// The boot ROM echoes the boot code from its second byte on, then the boot
// code sends its version.
constexpr std::size_t kBootEchoBytes = 1024;
constexpr std::chrono::seconds kEchoWaitLimit{4};
constexpr std::chrono::seconds kEchoLate{3};   // an echo this late fails the stage
constexpr std::chrono::seconds kVersionWaitLimit{3};

// Between commands the run waits one timer interval from the command's start.
constexpr auto kTimer1Interval = std::chrono::milliseconds(500);

// A block not acknowledged is sent again at 3, 6 and 9 s; at 12 s it is a line error.
constexpr auto kResendInterval = std::chrono::seconds(3);
constexpr int kMaxResends = 3;
constexpr auto kBlockAckLimit = std::chrono::seconds(12);

} // namespace zorvane::link

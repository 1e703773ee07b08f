// Command packets to the radio's boot code and their acknowledgement frames.
// Both are five bytes: opcode, three bytes, and the 8-bit sum of those four.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/radio_link.h"

namespace zorvane::link {

using Frame = std::array<std::uint8_t, 5>;

constexpr std::uint8_t kAckMarker = 0x7F; // byte 3 of an accepted command
constexpr int kFrameBytes = 5;
constexpr auto kAckTimeout = std::chrono::seconds(3);

constexpr std::uint8_t kOpEraseConfig = 0x31;
constexpr std::uint8_t kOpProgramConfig = 0x32;
constexpr std::uint8_t kOpEraseEeprom = 0x1F;
constexpr std::uint8_t kOpEraseRom = 0x05;

// How the radio answered a command packet; only Acknowledged lets the run go on.
enum class AckResult {
    Acknowledged,
    NoReply,       // fewer than five bytes within 3 s
    Short,         // the threshold was reached but a byte was missing when read
    Late,          // a valid frame, read 3 s or more after the command
    WrongOpcode,   // the frame echoes another opcode: a stray byte shifted it
    NotAccepted,   // byte 3 is not the marker 0x7F
    BadChecksum,
};

struct AckReply {
    AckResult result = AckResult::NoReply;
    Frame frame{};        // as read, when one was read
    Seconds elapsed{};    // from the wait's start until the frame was read
    bool acknowledged() const { return result == AckResult::Acknowledged; }
    // What went wrong, in words, for the run's report.
    std::string cause() const;
};

// (byte 0 + byte 1 + byte 2 + byte 3) mod 256.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> frame);
Frame BuildFrame(std::uint8_t byte0, std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3);

// Reads five single bytes in arrival order; nullopt when fewer are waiting.
std::optional<Frame> ReadFrame(SerialPort& port);

// Sends opcode 0 0 0 and waits for its acknowledgement.
AckReply SendCommand(RadioLink& link, std::uint8_t opcode);
// Sends Program CONFIG with the CONFIG byte and waits for its acknowledgement.
AckReply SendConfigCommand(RadioLink& link, std::uint8_t configByte);
// Acknowledged only for a frame read within 3 s that echoes the opcode,
// carries the marker 0x7F and a correct checksum. The first frame read decides.
AckReply WaitForAck(RadioLink& link, std::uint8_t opcode);

} // namespace zorvane::link

// Command packets to the radio's boot code and their acknowledgement frames.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/protocol.h"
#include "link/radio_link.h"

namespace zorvane::link {

using Frame = std::array<std::uint8_t, kFrameBytes>;

// How the radio answered a command packet; only Acknowledged lets the run go on.
enum class AckResult {
    Acknowledged,
    NoReply,       // fewer than five bytes within the time limit
    Late,          // a valid frame, read at the time limit or after it
    WrongOpcode,   // the frame echoes another opcode: a stray byte shifted it
    NotAccepted,   // byte 3 is not the marker
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
// Whether byte 4 is the sum of the four before it.
bool ChecksumHolds(const Frame& frame);

// The next five bytes in arrival order; nullopt when fewer arrived by the
// deadline. Stray bytes waiting already are read as the frame's first.
std::optional<Frame> ReceiveFrame(RadioLink& link, Clock::time_point deadline);

// Sends opcode 0 0 0 and waits for its acknowledgement.
AckReply SendCommand(RadioLink& link, std::uint8_t opcode);
// Sends Program CONFIG with the CONFIG byte and waits for its acknowledgement.
AckReply SendConfigCommand(RadioLink& link, std::uint8_t configByte);
// Acknowledged only for a frame read within kAckTimeout that echoes the
// opcode, carries kAckMarker and a correct checksum. The first frame read decides.
AckReply WaitForAck(RadioLink& link, std::uint8_t opcode);

} // namespace zorvane::link

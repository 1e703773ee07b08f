#include "link/command_link.h"

#include <algorithm>

#include "files/hex_text.h"

namespace zorvane::link {

namespace {

AckReply sendPacket(RadioLink& link, const Frame& packet)
{
    link.port.Output(packet);
    return WaitForAck(link, packet[0]);
}

AckResult judge(const Frame& frame, std::uint8_t opcode, Seconds elapsed)
{
    if (!ChecksumHolds(frame))
        return AckResult::BadChecksum;
    if (frame[0] != opcode)
        return AckResult::WrongOpcode;
    if (frame[3] != kAckMarker)
        return AckResult::NotAccepted;
    if (elapsed >= kAckTimeout)
        return AckResult::Late;
    return AckResult::Acknowledged;
}

std::string hexByte(std::uint8_t value)
{
    return "$" + files::HexDigits(value, 2);
}

} // namespace

std::uint8_t FrameChecksum(std::span<const std::uint8_t> frame)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < 4 && i < frame.size(); ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

Frame BuildFrame(std::uint8_t byte0, std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3)
{
    Frame frame{byte0, byte1, byte2, byte3, 0};
    frame[4] = FrameChecksum(frame);
    return frame;
}

bool ChecksumHolds(const Frame& frame)
{
    return frame[4] == FrameChecksum(frame);
}

std::optional<Frame> ReceiveFrame(RadioLink& link, Clock::time_point deadline)
{
    const std::vector<std::uint8_t> bytes = link.receive(kFrameBytes, deadline);
    if (bytes.size() < kFrameBytes)
        return std::nullopt;
    Frame frame;
    std::copy_n(bytes.begin(), kFrameBytes, frame.begin());
    return frame;
}

AckReply SendCommand(RadioLink& link, std::uint8_t opcode)
{
    return sendPacket(link, BuildFrame(opcode, 0, 0, 0));
}

AckReply SendConfigCommand(RadioLink& link, std::uint8_t configByte)
{
    return sendPacket(link, BuildFrame(kOpProgramConfig, 0, 0, configByte));
}

AckReply WaitForAck(RadioLink& link, std::uint8_t opcode)
{
    const Clock::time_point start = link.clock.now();
    const std::optional<Frame> frame = ReceiveFrame(link, start + kAckTimeout);
    AckReply reply;
    reply.elapsed = link.elapsedSince(start);
    if (frame) {
        reply.frame = *frame;
        reply.result = judge(*frame, opcode, reply.elapsed);
    }
    return reply;
}

std::string AckReply::cause() const
{
    switch (result) {
    case AckResult::Acknowledged:
        return {};
    case AckResult::NoReply:
        return "no acknowledgement within " + WholeSecondsText(kAckTimeout);
    case AckResult::Late:
        return "acknowledgement " + SecondsText(elapsed) + " after the command";
    case AckResult::WrongOpcode:
        return "acknowledgement for opcode " + hexByte(frame[0]);
    case AckResult::NotAccepted:
        return "command not accepted (byte 3 was " + hexByte(frame[3]) + ", not " + hexByte(kAckMarker) + ")";
    case AckResult::BadChecksum:
        return "acknowledgement checksum " + hexByte(frame[4]) + ", expected " + hexByte(FrameChecksum(frame));
    }
    return {};
}

} // namespace zorvane::link

#include "link/command_link.h"

#include <cstdio>

namespace zorvane::link {

namespace {

AckReply sendPacket(RadioLink& link, const Frame& packet)
{
    link.port.Output(packet);
    link.port.setRThreshold(kFrameBytes);
    link.port.setInputLen(1);
    return WaitForAck(link, packet[0]);
}

std::string hexByte(std::uint8_t value)
{
    char text[4];
    std::snprintf(text, sizeof text, "$%02X", value);
    return text;
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

std::optional<Frame> ReadFrame(SerialPort& port)
{
    Frame frame{};
    for (std::uint8_t& byte : frame) {
        std::vector<std::uint8_t> one = port.Input();
        if (one.empty())
            return std::nullopt;
        byte = one.front();
    }
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
    AckReply reply;
    std::optional<Frame> frame;
    const bool received = link.awaitReceive(start + kAckTimeout);
    if (received)
        frame = ReadFrame(link.port);
    reply.elapsed = link.elapsedSince(start);
    if (!received)
        reply.result = AckResult::NoReply;
    else if (!frame)
        reply.result = AckResult::Short;
    else if ((*frame)[4] != FrameChecksum(*frame))
        reply.result = AckResult::BadChecksum;
    else if ((*frame)[0] != opcode)
        reply.result = AckResult::WrongOpcode;
    else if ((*frame)[3] != kAckMarker)
        reply.result = AckResult::NotAccepted;
    else if (reply.elapsed >= kAckTimeout)
        reply.result = AckResult::Late;
    else
        reply.result = AckResult::Acknowledged;
    if (frame)
        reply.frame = *frame;
    return reply;
}

std::string AckReply::cause() const
{
    switch (result) {
    case AckResult::Acknowledged:
        return {};
    case AckResult::NoReply:
        return "no acknowledgement within 3 s";
    case AckResult::Short:
        return "acknowledgement shorter than 5 bytes";
    case AckResult::Late:
        return "acknowledgement " + SecondsText(elapsed) + " after the command";
    case AckResult::WrongOpcode:
        return "acknowledgement for opcode " + hexByte(frame[0]);
    case AckResult::NotAccepted:
        return "command not accepted (byte 3 was " + hexByte(frame[3]) + ", not $7F)";
    case AckResult::BadChecksum:
        return "acknowledgement checksum " + hexByte(frame[4]) + ", expected " + hexByte(FrameChecksum(frame));
    }
    return {};
}

} // namespace zorvane::link

#include "link/command_link.h"

#include "link/booleans.h"

namespace zorvane::link {

namespace {

std::int16_t sendPacket(RadioLink& link, const Frame& packet)
{
    link.port.Output(packet);
    link.grxMessageRdy = kFalse;
    link.port.setRThreshold(kFrameBytes);
    link.port.setInputLen(1);
    return WaitForAck(link, packet[0]);
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

std::int16_t SendCommand(RadioLink& link, std::uint8_t opcode)
{
    return sendPacket(link, BuildFrame(opcode, 0, 0, 0));
}

std::int16_t SendConfigCommand(RadioLink& link, std::uint8_t configByte)
{
    return sendPacket(link, BuildFrame(kOpProgramConfig, 0, 0, configByte));
}

std::int16_t WaitForAck(RadioLink& link, std::uint8_t opcode)
{
    const Clock::time_point start = link.clock.now();
    std::optional<Frame> reply;
    bool replyRead = false;
    link.awaitReceive(start + kAckTimeout);
    if (link.grxMessageRdy == kTrue) {
        reply = ReadFrame(link.port);
        replyRead = true;
    }
    const bool inTime = link.elapsedSince(start) < kAckTimeout;
    const bool valid = replyRead && reply && (*reply)[0] == opcode && (*reply)[3] == kAckMarker &&
                       (*reply)[4] == FrameChecksum(*reply);
    return (inTime && valid) ? kTrue : kFalse;
}

void MSComm1_OnComm(RadioLink& link, int commEvent)
{
    if (commEvent == kComEvReceive)
        link.grxMessageRdy = kTrue;
}

} // namespace zorvane::link

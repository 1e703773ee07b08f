#include "kit/scripted_radio.h"

namespace zorvane::testkit {

ScriptedRadio::ScriptedRadio(FakeSerialPort& port, radio::RadioSettings settings, RadioTiming timing)
    : model(std::move(settings)), timing(timing), port_(port)
{
    port_.onWrite = [this](std::span<const std::uint8_t> bytes, std::int32_t baud) { answer(bytes, baud); };
}

void ScriptedRadio::skipToBootCode()
{
    const std::uint8_t smartMode[] = {0x1A, 0x12, 0x1A, 0x06, 0xDB, 0x02, 0x48, 0xB5};
    model.receive(smartMode, radio::kKrixBaud);
    const std::vector<std::uint8_t> boot(1025, 0x5A);
    model.receive(boot, radio::kRadioBaud);
}

void ScriptedRadio::answer(std::span<const std::uint8_t> bytes, std::int32_t baud)
{
    link::Clock::duration delay{};
    for (radio::RadioModel::Reply& reply : model.receive(bytes, baud)) {
        using Kind = radio::RadioModel::ReplyKind;
        switch (reply.kind) {
        case Kind::Echo: delay += timing.echo; break;
        case Kind::Version: delay += timing.version; break;
        case Kind::CommandAck: delay += timing.commandAck; break;
        case Kind::BlockAck: delay += timing.blockAck; break;
        case Kind::Stray: break;
        }
        port_.deliverAfter(delay, std::move(reply.bytes));
    }
}

} // namespace zorvane::testkit

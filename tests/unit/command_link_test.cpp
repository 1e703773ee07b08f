#include <gtest/gtest.h>

#include "kit/engine_fixture.h"
#include "link/command_link.h"

namespace zorvane::link {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class CommandLink : public testkit::EngineFixture {
protected:
    void SetUp() override { openAt(7600); }
};

TEST_F(CommandLink, PacketsCarryOpcodeConfigByteAndChecksum)
{
    struct Case {
        std::uint8_t opcode;
        Bytes packet;
    } cases[] = {
        {kOpEraseConfig, {0x31, 0, 0, 0, 0x31}},
        {kOpEraseEeprom, {0x1F, 0, 0, 0, 0x1F}},
        {kOpEraseRom, {0x05, 0, 0, 0, 0x05}},
    };
    for (const Case& c : cases) {
        port.writes.clear();
        SendCommand(ctx.link, c.opcode);
        ASSERT_EQ(port.writes.size(), 1u) << "one write per packet";
        EXPECT_EQ(port.writes[0].bytes, c.packet);
    }
    port.writes.clear();
    SendConfigCommand(ctx.link, 0xA5);
    EXPECT_EQ(port.writes.at(0).bytes, (Bytes{0x32, 0, 0, 0xA5, 0xD7}));
}

TEST_F(CommandLink, AcknowledgementRule)
{
    struct Case {
        const char* why;
        std::uint8_t opcode;
        Bytes reply;
        Clock::duration at;
        AckResult result;
        const char* cause;
    } cases[] = {
        {"valid frame", 0x31, {0x31, 0, 0, 0x7F, 0xB0}, 100ms, AckResult::Acknowledged, ""},
        {"bytes 1 and 2 are not examined", 0x31, {0x31, 0x12, 0x34, 0x7F, 0xF6}, 100ms, AckResult::Acknowledged,
         ""},
        {"marker 7E refuses", 0x31, {0x31, 0, 0, 0x7E, 0xAF}, 100ms, AckResult::NotAccepted,
         "command not accepted (byte 3 was $7E, not $7F)"},
        {"wrong opcode echo", 0x31, {0x32, 0, 0, 0x7F, 0xB1}, 100ms, AckResult::WrongOpcode,
         "acknowledgement for opcode $32"},
        {"wrong checksum", 0x31, {0x31, 0, 0, 0x7F, 0xB1}, 100ms, AckResult::BadChecksum,
         "acknowledgement checksum $B1, expected $B0"},
        {"just in time", 0x05, {0x05, 0, 0, 0x7F, 0x84}, 2999ms, AckResult::Acknowledged, ""},
        {"complete at 3.0 s is too late", 0x05, {0x05, 0, 0, 0x7F, 0x84}, 3000ms, AckResult::Late,
         "acknowledgement 3.0 s after the command"},
        {"four bytes never reach the threshold", 0x05, {0x05, 0, 0, 0x7F}, 100ms, AckResult::NoReply,
         "no acknowledgement within 3 s"},
    };
    for (const Case& c : cases) {
        port.discardInput();
        const auto start = clock.now();
        port.onWrite = [&](std::span<const std::uint8_t>, std::int32_t) { port.deliverAfter(c.at, c.reply); };
        const AckReply reply = SendCommand(ctx.link, c.opcode);
        EXPECT_EQ(reply.result, c.result) << c.why;
        EXPECT_EQ(reply.cause(), c.cause) << c.why;
        EXPECT_LE(Seconds(clock.now() - start).count(), 3.0) << c.why;
    }
}

TEST_F(CommandLink, NoAnswerFailsAfterThreeSeconds)
{
    const double start = clock.seconds();
    EXPECT_EQ(SendCommand(ctx.link, kOpEraseRom).result, AckResult::NoReply);
    EXPECT_DOUBLE_EQ(clock.seconds() - start, 3.0);
}

TEST_F(CommandLink, StrayByteShiftsTheFrame)
{
    port.deliverAfter(0ms, {0x00});
    port.onWrite = [&](std::span<const std::uint8_t>, std::int32_t) {
        port.deliverAfter(10ms, {0x31, 0, 0, 0x7F, 0xB0});
    };
    EXPECT_EQ(SendCommand(ctx.link, kOpEraseConfig).result, AckResult::BadChecksum);
    EXPECT_EQ(port.waiting(), 1u) << "the frame's last byte is left behind";
}

TEST_F(CommandLink, WaitIsCutShortWhenTheRunStops)
{
    stop.request_stop();
    EXPECT_THROW(SendCommand(ctx.link, kOpEraseRom), RunCancelled);
}

TEST(SetBaudRate, ErrorsCarryNumberDescriptionAndSource)
{
    testkit::FakeClock clock;
    struct Case {
        bool open, unreadable, refused;
        int number;
        const char* description;
    } cases[] = {
        {false, false, false, kErrPortNotOpen, "Operation valid only when the port is open"},
        {true, true, false, kErrReadState, "Could not read current state of the port"},
        {true, false, true, kErrSetBaudRate, "Could not set port to specified baud rate"},
    };
    for (const Case& c : cases) {
        testkit::FakeSerialPort port(clock);
        if (c.open)
            port.open();
        port.stateUnreadable = c.unreadable;
        port.refuseBaudRate = c.refused;
        try {
            SetBaudRate(port, 7600);
            ADD_FAILURE() << c.number;
        } catch (const SerialError& e) {
            EXPECT_EQ(e.number, c.number);
            EXPECT_EQ(e.description, c.description);
            EXPECT_EQ(e.source, "MSComm1");
        }
        EXPECT_EQ(port.baud(), 9600) << "the speed is unchanged after a failure";
    }
    testkit::FakeSerialPort port(clock);
    port.open();
    SetBaudRate(port, 7600);
    EXPECT_EQ(port.baud(), 7600);
}

} // namespace
} // namespace zorvane::link

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
    EXPECT_EQ(port.rThreshold(), 5);
    EXPECT_EQ(port.inputLen(), 1);
}

TEST_F(CommandLink, AcknowledgementRule)
{
    struct Case {
        const char* why;
        std::uint8_t opcode;
        Bytes reply;
        Clock::duration at;
        std::int16_t result;
    } cases[] = {
        {"valid frame", 0x31, {0x31, 0, 0, 0x7F, 0xB0}, 100ms, kTrue},
        {"bytes 1 and 2 are not examined", 0x31, {0x31, 0x12, 0x34, 0x7F, 0xF6}, 100ms, kTrue},
        {"marker 7E refuses", 0x31, {0x31, 0, 0, 0x7E, 0xAF}, 100ms, kFalse},
        {"wrong opcode echo", 0x31, {0x32, 0, 0, 0x7F, 0xB1}, 100ms, kFalse},
        {"wrong checksum", 0x31, {0x31, 0, 0, 0x7F, 0xB1}, 100ms, kFalse},
        {"just in time", 0x05, {0x05, 0, 0, 0x7F, 0x84}, 2999ms, kTrue},
        {"complete at 3.0 s is too late", 0x05, {0x05, 0, 0, 0x7F, 0x84}, 3000ms, kFalse},
        {"four bytes never reach the threshold", 0x05, {0x05, 0, 0, 0x7F}, 100ms, kFalse},
    };
    for (const Case& c : cases) {
        port.discardInput();
        const auto start = clock.now();
        port.onWrite = [&](std::span<const std::uint8_t>, std::int32_t) { port.deliverAfter(c.at, c.reply); };
        EXPECT_EQ(SendCommand(ctx.link, c.opcode), c.result) << c.why;
        EXPECT_LE(Seconds(clock.now() - start).count(), 3.0) << c.why;
    }
}

TEST_F(CommandLink, NoAnswerGivesFalseAfterThreeSeconds)
{
    const double start = clock.seconds();
    EXPECT_EQ(SendCommand(ctx.link, kOpEraseRom), kFalse);
    EXPECT_DOUBLE_EQ(clock.seconds() - start, 3.0);
}

TEST_F(CommandLink, StrayByteShiftsTheFrame)
{
    port.deliverAfter(0ms, {0x00});
    port.onWrite = [&](std::span<const std::uint8_t>, std::int32_t) {
        port.deliverAfter(10ms, {0x31, 0, 0, 0x7F, 0xB0});
    };
    EXPECT_EQ(SendCommand(ctx.link, kOpEraseConfig), kFalse);
    EXPECT_EQ(port.waiting(), 1u) << "the frame's last byte is left behind";
}

TEST_F(CommandLink, OnlyTheReceiveEventRaisesTheFlag)
{
    for (int event : {1, 3, 4, 5, 6, 7, 1001, 1002, 1003, 1004, 1006, 1007, 1008, 1009, 1010}) {
        state.grxMessageRdy = kFalse;
        MSComm1_OnComm(ctx.link, event);
        EXPECT_EQ(state.grxMessageRdy, kFalse) << event;
    }
    MSComm1_OnComm(ctx.link, kComEvReceive);
    EXPECT_EQ(state.grxMessageRdy, kTrue);
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

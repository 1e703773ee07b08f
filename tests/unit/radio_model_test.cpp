#include <gtest/gtest.h>

#include "radio_model.h"

namespace zorvane::radio {
namespace {

using Bytes = std::vector<std::uint8_t>;
using State = RadioModel::State;

const Bytes kRequest{0x1A, 0x12, 0x1A, 0x06, 0xDB};
const Bytes kConfirm{0x02, 0x48, 0xB5};

Bytes replies(RadioModel& radio, const Bytes& bytes, std::int32_t baud)
{
    Bytes out;
    for (const RadioModel::Reply& r : radio.receive(bytes, baud))
        out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    return out;
}

TEST(RadioModel, UnderstandsOnlyBytesAtItsOwnSpeed)
{
    struct Case {
        const char* why;
        std::int32_t requestBaud, bootBaud;
        State after;
    } cases[] = {
        {"smart mode at 9600, boot code at 7600", kKrixBaud, kRadioBaud, State::BootCode},
        {"smart mode at 7600 is garbage", kRadioBaud, kRadioBaud, State::KrixIdle},
        {"boot code at 9600 is garbage", kKrixBaud, kKrixBaud, State::BootRom},
    };
    for (const Case& c : cases) {
        RadioModel radio;
        replies(radio, kRequest, c.requestBaud);
        replies(radio, kConfirm, c.requestBaud);
        const Bytes boot(1025, 0x11);
        const Bytes answer = replies(radio, boot, c.bootBaud);
        EXPECT_EQ(radio.state(), c.after) << c.why;
        EXPECT_EQ(answer.size(), c.after == State::BootCode ? 1024u + 5u : 0u) << c.why;
    }
}

TEST(RadioModel, MemoriesEraseToFFAndProgrammingClearsBits)
{
    RadioModel radio;
    replies(radio, kRequest, kKrixBaud);
    replies(radio, kConfirm, kKrixBaud);
    replies(radio, Bytes(1025, 0), kRadioBaud);

    EXPECT_EQ(replies(radio, {0x05, 0, 0, 0, 0x05}, kRadioBaud), (Bytes{0x05, 0, 0, 0x7F, 0x84}));
    // Block of two bytes at 0x8000; acknowledged with their 8-bit sum.
    EXPECT_EQ(replies(radio, {0x08, 0x80, 0x00, 0x02, 0x8A, 0xF0, 0x0F}, kRadioBaud),
              (Bytes{0x08, 0x80, 0x00, 0xFF, 0x87}));
    replies(radio, {0x08, 0x80, 0x00, 0x01, 0x89, 0x3C}, kRadioBaud);
    EXPECT_EQ(radio.flash()[0x8000], 0x30) << "0xF0 programmed over with 0x3C";
    EXPECT_EQ(radio.flash()[0x8001], 0x0F);

    replies(radio, {0x31, 0, 0, 0, 0x31}, kRadioBaud);
    replies(radio, {0x32, 0, 0, 0xA5, 0xD7}, kRadioBaud);
    EXPECT_EQ(radio.configByte(), 0xA5);

    // A frame with a bad checksum is not a command: nothing happens.
    EXPECT_TRUE(replies(radio, {0x1F, 0, 0, 0, 0x00}, kRadioBaud).empty());
}

TEST(RadioModel, NewSmartModeRequestStartsOverWhileTheRadioRuns)
{
    RadioModel radio;
    replies(radio, kRequest, kKrixBaud);
    replies(radio, kConfirm, kKrixBaud);
    replies(radio, Bytes(1025, 0), kRadioBaud);
    ASSERT_EQ(radio.state(), State::BootCode);
    replies(radio, kRequest, kKrixBaud);
    EXPECT_EQ(radio.state(), State::KrixArmed);
}

} // namespace
} // namespace zorvane::radio

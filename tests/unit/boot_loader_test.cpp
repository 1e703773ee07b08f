#include <gtest/gtest.h>

#include <numeric>

#include "engine/boot_loader.h"
#include "kit/engine_fixture.h"
#include "srec_writer.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using link::Clock;

Bytes bootBytes(std::size_t count, std::uint8_t fill = 0)
{
    Bytes bytes(count, fill);
    if (fill == 0)
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

// S1 records holding the boot bytes end to end, one group of records per
// size given; a group larger than a record can hold is split into records
// of 100 bytes and a remainder.
std::string bootFile(const std::vector<std::size_t>& groups, std::uint8_t fill = 0)
{
    std::vector<std::size_t> recordSizes;
    for (std::size_t group : groups) {
        for (; group > 100; group -= 100)
            recordSizes.push_back(100);
        recordSizes.push_back(group);
    }
    const std::size_t total = std::accumulate(recordSizes.begin(), recordSizes.end(), std::size_t{0});
    const Bytes bytes = bootBytes(total, fill);
    std::string text = "S00600004844521B\r\n";
    std::size_t offset = 0;
    for (std::size_t size : recordSizes) {
        text += radio::SRecord('1', static_cast<std::uint16_t>(0x1000 + offset),
                               std::span(bytes).subspan(offset, size)) + "\r\n";
        offset += size;
    }
    return text + "S9030000FC\r\n";
}

class BootLoader : public testkit::EngineFixture {
protected:
    void SetUp() override
    {
        openAt(7600);
        platform().bootFile = "boot.s19";
    }

    // The boot ROM's answer after the 1025th byte: the echo, then the version reply.
    void answerBoot(std::optional<Clock::duration> echoAfter, std::optional<Clock::duration> versionAfter,
                    Bytes version = {0x10, 0x20, 0x01, 0x0A, 0x3B}, bool corruptEcho = false)
    {
        port.onWrite = [=, this](std::span<const std::uint8_t>, std::int32_t) {
            if (port.writes.size() != kBootBytes)
                return;
            Bytes echo;
            for (std::size_t i = 1; i < kBootBytes; ++i)
                echo.push_back(port.writes[i].bytes[0]);
            if (corruptEcho)
                echo[500] ^= 1;
            if (echoAfter)
                port.deliverAfter(*echoAfter, echo);
            if (versionAfter)
                port.deliverAfter(echoAfter.value_or(0ms) + *versionAfter, version);
        };
    }
};

TEST_F(BootLoader, SmartModeSequenceThenTheResetPrompt)
{
    port.changeBaudRate(9600);
    StartSmartMode(ctx);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0].bytes, (Bytes{0x1A, 0x12, 0x1A, 0x06, 0xDB}));
    EXPECT_EQ(port.writes[1].bytes, (Bytes{0x02, 0x48, 0xB5}));
    EXPECT_DOUBLE_EQ(port.writes[1].at - port.writes[0].at, 1.0);
    EXPECT_EQ(port.writes[1].baud, 9600);
    EXPECT_EQ(host.messageIds(), std::vector{MessageId::ResetRadio});

    host.answers = {Answer::Stop};
    EXPECT_THROW(StartSmartMode(ctx), link::RunCancelled) << "no answer to the prompt stops the run";
}

TEST_F(BootLoader, SuccessfulTransferKeepsVersionAndChecksum)
{
    dir.write("boot.s19", bootFile({32, 32, 961}));
    answerBoot(1400ms, 50ms);
    const BootOutcome outcome = sendBoot();
    EXPECT_EQ(outcome.result, BootResult::Ok);
    EXPECT_EQ(outcome.version, "1.A");
    const Bytes sent = bootBytes(kBootBytes);
    EXPECT_EQ(outcome.checksum, std::accumulate(sent.begin(), sent.end(), 0) % 65536);
    ASSERT_EQ(port.writes.size(), kBootBytes);
    for (std::size_t i = 0; i < kBootBytes; ++i) {
        ASSERT_EQ(port.writes[i].bytes, Bytes{sent[i]}) << "one write per byte, index " << i;
        ASSERT_EQ(port.writes[i].baud, 7600);
    }
}

TEST_F(BootLoader, GatheringTakesExactly1025Bytes)
{
    struct Case {
        const char* why;
        std::vector<std::size_t> records;
        BootResult code;
    } cases[] = {
        {"1024 bytes", {32, 992}, BootResult::WrongSize},
        {"1025 reached at a record's end, more records follow", {1000, 25, 40, 40}, BootResult::Ok},
        {"a record carries the count to 1026", {1000, 26}, BootResult::WrongSize},
        {"a record would run past index 1025", {1000, 40}, BootResult::WrongSize},
        {"no data records", {}, BootResult::WrongSize},
    };
    for (const Case& c : cases) {
        port.writes.clear();
        dir.write("boot.s19", bootFile(c.records));
        answerBoot(1400ms, 50ms);
        EXPECT_EQ(sendBoot().result, c.code) << c.why;
        if (c.code == BootResult::WrongSize) {
            EXPECT_TRUE(port.writes.empty()) << c.why;
        }
    }
}

TEST_F(BootLoader, MissingFileSendsNothing)
{
    const BootOutcome outcome = sendBoot();
    EXPECT_EQ(outcome.result, BootResult::FileMissing);
    EXPECT_EQ(FaultText(*outcome.fault), "file boot.s19 not found");
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(BootLoader, ChecksumOfAllFFIsFCFF)
{
    dir.write("boot.s19", bootFile({125, 900}, 0xFF));
    answerBoot(1400ms, 50ms);
    // The radio answers with an echo of what it got; content does not matter here.
    const BootOutcome outcome = sendBoot();
    EXPECT_EQ(outcome.result, BootResult::Ok);
    EXPECT_EQ(outcome.checksum, 0xFCFF);
}

TEST_F(BootLoader, EchoAndVersionTiming)
{
    struct Case {
        const char* why;
        std::optional<Clock::duration> echo, version;
        Bytes reply;
        bool corruptEcho;
        BootResult code;
        double stageSeconds;
        const char* cause;
    } cases[] = {
        {"prompt replies", 1400ms, 50ms, {0x10, 0x20, 0x01, 0x0A, 0x3B}, false, BootResult::Ok, 1.45, ""},
        {"echo at 3.5 s is too late", 3500ms, 50ms, {0x10, 0x20, 0x01, 0x0A, 0x3B}, false,
         BootResult::NotTransferred, 3.5, "echo 3.5 s after the last boot byte"},
        {"no echo ends at 4 s", std::nullopt, std::nullopt, {}, false, BootResult::NotTransferred, 4.0,
         "no echo within 4 s of the last boot byte"},
        {"echo differs from the boot bytes", 1400ms, 50ms, {0x10, 0x20, 0x01, 0x0A, 0x3B}, true,
         BootResult::NotTransferred, 1.4, "echo byte 501 differs"},
        {"version at 2.5 s", 100ms, 2500ms, {0x10, 0x20, 0x01, 0x0A, 0x3B}, false, BootResult::Ok, 2.6, ""},
        {"no version within 3 s", 100ms, std::nullopt, {}, false, BootResult::NoVersion, 3.1,
         "no version reply within 3 s"},
        {"version complete at 3.0 s", 100ms, 3000ms, {0x10, 0x20, 0x01, 0x0A, 0x3B}, false, BootResult::NoVersion,
         3.1, "no version reply within 3 s"},
        {"wrong reply checksum", 100ms, 50ms, {0x10, 0x20, 0x01, 0x0A, 0x3C}, false, BootResult::NotTransferred,
         0.15, "version reply checksum $3C, expected $3B"},
        {"6 wins over 5 at 3.0 s", 100ms, 3000ms, {0x10, 0x20, 0x01, 0x0A, 0x3C}, false, BootResult::NoVersion, 3.1,
         "no version reply within 3 s"},
    };
    dir.write("boot.s19", bootFile({1025 - 128, 128}));
    for (const Case& c : cases) {
        // Let whatever the last case left scheduled arrive, and drop it.
        clock.advanceTo(clock.now() + 10s);
        port.discardInput();
        port.writes.clear();
        answerBoot(c.echo, c.version, c.reply, c.corruptEcho);
        const double start = clock.seconds();
        const BootOutcome outcome = sendBoot();
        EXPECT_EQ(outcome.result, c.code) << c.why;
        EXPECT_EQ(outcome.fault ? FaultText(*outcome.fault) : "", c.cause) << c.why;
        EXPECT_NEAR(clock.seconds() - start, c.stageSeconds, 1e-9) << c.why;
        if (!c.reply.empty() && c.code != BootResult::NotTransferred) {
            EXPECT_EQ(outcome.version, "1.A") << c.why;
        }
    }
}

TEST_F(BootLoader, WrongChecksumStillKeepsTheVersion)
{
    dir.write("boot.s19", bootFile({1025}));
    answerBoot(100ms, 50ms, {0x10, 0x20, 0x01, 0x0A, 0x3C});
    const BootOutcome outcome = sendBoot();
    EXPECT_EQ(outcome.result, BootResult::NotTransferred);
    EXPECT_EQ(outcome.version, "1.A");
}

TEST_F(BootLoader, UnreadableBootFileNamesTheCause)
{
    if (!testkit::Unprivileged::kPossible)
        GTEST_SKIP() << "this system cannot make a file unreadable to the tests";
    dir.write("boot.s19", bootFile({1025}));
    std::filesystem::permissions("boot.s19", std::filesystem::perms::none);
    testkit::Unprivileged user;
    ASSERT_TRUE(user.active());
    const BootOutcome outcome = sendBoot();
    EXPECT_EQ(outcome.result, BootResult::NotTransferred);
    EXPECT_TRUE(outcome.fileFault);
    EXPECT_NE(FaultText(*outcome.fault).find("boot.s19"), std::string::npos) << FaultText(*outcome.fault);
    EXPECT_TRUE(port.writes.empty());
}

} // namespace
} // namespace zorvane

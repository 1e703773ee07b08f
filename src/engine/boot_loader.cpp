#include "engine/boot_loader.h"

#include <array>
#include <cstdint>
#include <optional>

#include "engine/hex_text.h"
#include "engine/run_images.h"
#include "link/command_link.h"
#include "link/timed_wait.h"

namespace zorvane {

namespace {

constexpr std::array<std::uint8_t, 5> kSmartModeRequest{0x1A, 0x12, 0x1A, 0x06, 0xDB};
constexpr std::array<std::uint8_t, 3> kSmartModeConfirm{0x02, 0x48, 0xB5};

using BootData = std::array<std::uint8_t, kBootBytes>;

// The boot ROM echoes bytes 1..1024 of what it received. Returns the
// number of the first boot byte whose echo differs.
std::optional<std::size_t> echoDifference(const std::vector<std::uint8_t>& echo, const BootData& sent)
{
    for (std::size_t j = 0; j < echo.size() && j + 1 < kBootBytes; ++j)
        if (echo[j] != sent[j + 1])
            return j + 1;
    return std::nullopt;
}

} // namespace

void StartSmartMode(RunContext& ctx)
{
    ctx.link.port.Output(kSmartModeRequest);
    link::TimedWait(ctx.link, 1);
    ctx.link.port.Output(kSmartModeConfirm);
    if (ctx.confirmReset() == Answer::Stop)
        throw link::RunCancelled{};
}

BootOutcome SendBootFile(RunContext& ctx)
{
    const files::BootImage& boot = ctx.images().boot;
    const BootData& txBuffer = boot.data;
    link::RadioLink& link = ctx.link;
    link::SerialPort& port = link.port;

    port.setRThreshold(static_cast<int>(kBootEchoBytes));
    port.setInputLen(static_cast<int>(kBootEchoBytes));
    BootOutcome outcome;

    // Transfer: every byte in a write of its own.
    port.discardInput();
    for (std::size_t i = 0; i < kBootBytes; ++i)
        port.Output(std::span<const std::uint8_t>(&txBuffer[i], 1));
    outcome.checksum = boot.checksum;

    // Echo wait: the echo must be complete within 3 s of the last byte written.
    link::Clock::time_point start = link.clock.now();
    std::vector<std::uint8_t> echo;
    if (link.awaitReceive(start + kEchoWaitLimit))
        echo = port.Input();
    const link::Seconds echoElapsed = link.elapsedSince(start);

    port.setRThreshold(kVersionReplyBytes);
    port.setInputLen(1);

    if (echoElapsed >= kEchoLate) {
        outcome.result = BootResult::NotTransferred;
        outcome.cause = echo.empty() ? "no echo within 4 s of the last boot byte"
                                     : "echo " + link::SecondsText(echoElapsed) + " after the last boot byte";
        return outcome;
    }
    if (const std::optional<std::size_t> differs = echoDifference(echo, txBuffer)) {
        outcome.result = BootResult::NotTransferred;
        outcome.cause = "echo byte " + std::to_string(*differs) + " differs";
        return outcome;
    }

    // Version reply: r2.r3 is the version, r4 the sum of r0..r3.
    outcome.result = BootResult::Ok;
    start = link.clock.now();
    if (link.awaitReceive(start + kVersionWaitLimit)) {
        std::optional<link::Frame> reply = link::ReadFrame(port);
        if (!reply) {
            outcome.result = BootResult::NotTransferred;
            outcome.cause = "version reply shorter than 5 bytes";
        } else {
            const link::Frame& r = *reply;
            outcome.version = HexText(r[2]) + "." + HexText(r[3]);
            outcome.versionBytes = std::array<std::uint8_t, 2>{r[2], r[3]};
            if (link::FrameChecksum(r) != r[4]) {
                outcome.result = BootResult::NotTransferred;
                outcome.cause = "version reply checksum $" + HexText(r[4]) + ", expected $" +
                                HexText(link::FrameChecksum(r));
            }
        }
    }
    if (link.elapsedSince(start) >= kVersionWaitLimit) {
        outcome.result = BootResult::NoVersion;
        outcome.cause = "no version reply within 3 s";
    }
    return outcome;
}

} // namespace zorvane

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

using link::kSmartModeConfirm;
using link::kSmartModeRequest;

using BootData = std::array<std::uint8_t, kBootBytes>;

// The boot ROM takes its code one byte at a time: every byte in a write of its own.
void sendBootBytes(link::SerialPort& port, const BootData& bytes)
{
    port.discardInput();
    for (const std::uint8_t& byte : bytes)
        port.Output(std::span<const std::uint8_t>(&byte, 1));
}

// The boot ROM echoes bytes 1..1024 of what it received: the first boot
// byte whose echo differs, if one does.
std::optional<EchoFault> echoDifference(const std::vector<std::uint8_t>& echo, const BootData& sent)
{
    for (std::size_t j = 0; j < echo.size() && j + 1 < kBootBytes; ++j)
        if (echo[j] != sent[j + 1])
            return EchoFault{EchoFault::Kind::Differs, echo.size(), 0, j + 1, sent[j + 1], echo[j]};
    return std::nullopt;
}

// The echo must be complete within kEchoLate of the last byte written and
// match what was sent. Returns what went wrong, if anything.
std::optional<EchoFault> awaitEcho(link::RadioLink& link, const BootData& sent)
{
    const link::Clock::time_point start = link.clock.now();
    const std::vector<std::uint8_t> echo = link.receive(kBootEchoBytes, start + kEchoWaitLimit);
    const link::Seconds elapsed = link.elapsedSince(start);
    if (elapsed >= kEchoLate) {
        const bool whole = echo.size() == kBootEchoBytes;
        return EchoFault{whole ? EchoFault::Kind::Late : EchoFault::Kind::Missing, echo.size(), elapsed.count()};
    }
    return echoDifference(echo, sent);
}

// The version reply r0..r4: r2.r3 is the version, r4 the sum of r0..r3.
// A reply that comes at the time limit counts as none, even with a bad sum.
void awaitVersion(link::RadioLink& link, BootOutcome& outcome)
{
    const link::Clock::time_point start = link.clock.now();
    if (const std::optional<link::Frame> reply = link::ReceiveFrame(link, start + kVersionWaitLimit)) {
        const link::Frame& r = *reply;
        outcome.version = HexText(r[2]) + "." + HexText(r[3]);
        outcome.versionBytes = std::array<std::uint8_t, 2>{r[2], r[3]};
        if (!link::ChecksumHolds(r)) {
            outcome.result = BootResult::NotTransferred;
            outcome.fault = VersionFault{true, r[4], link::FrameChecksum(r)};
        }
    }
    if (link.elapsedSince(start) >= kVersionWaitLimit) {
        outcome.result = BootResult::NoVersion;
        outcome.fault = VersionFault{};
    }
}

} // namespace

void StartSmartMode(RunContext& ctx)
{
    ctx.link.port.Output(kSmartModeRequest);
    link::TimedWait(ctx.link, static_cast<std::int32_t>(kSmartModePause.count()));
    ctx.link.port.Output(kSmartModeConfirm);
    if (ctx.confirmReset() == Answer::Stop)
        throw link::RunCancelled{};
}

BootOutcome SendBootFile(RunContext& ctx)
{
    const files::BootImage& boot = ctx.images().boot;
    BootOutcome outcome;
    sendBootBytes(ctx.link.port, boot.data);
    outcome.checksum = boot.checksum;
    if (std::optional<EchoFault> fault = awaitEcho(ctx.link, boot.data)) {
        outcome.result = BootResult::NotTransferred;
        outcome.fault = *fault;
        return outcome;
    }
    outcome.result = BootResult::Ok;
    awaitVersion(ctx.link, outcome);
    return outcome;
}

} // namespace zorvane

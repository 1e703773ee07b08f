#include "engine/boot_loader.h"

#include <array>
#include <cstdint>
#include <optional>

#include "engine/hex_text.h"
#include "files/srecord.h"
#include "files/text_files.h"
#include "link/command_link.h"
#include "link/timed_wait.h"

namespace zorvane {

namespace {

using files::BufferRangeError;
using files::EndOfStreamError;
using files::TextFileError;
using files::TextStream;

constexpr std::array<std::uint8_t, 5> kSmartModeRequest{0x1A, 0x12, 0x1A, 0x06, 0xDB};
constexpr std::array<std::uint8_t, 3> kSmartModeConfirm{0x02, 0x48, 0xB5};

// One spare position: a record that carries the count to 1026 is stored
// and then refused, but nothing is ever written past index 1025.
using BootBuffer = std::array<std::uint8_t, kBootBytes + 1>;

// Joins the data of the S1 records in file order until 1025 bytes are
// gathered or the file has no more records. Returns the count.
std::int32_t gatherBootData(TextStream& stream, BootBuffer& txBuffer)
{
    files::SrecLine inputLine{};
    std::int32_t bufferSize = 0;
    do {
        try {
            files::GetSrecLine(stream, inputLine);
        } catch (const EndOfStreamError&) {
            break;
        }
        bufferSize += files::SLine2Hex(inputLine, txBuffer, bufferSize);
    } while (bufferSize < static_cast<std::int32_t>(kBootBytes));
    return bufferSize;
}

// The boot ROM echoes bytes 1..1024 of what it received. Returns the
// number of the first boot byte whose echo differs.
std::optional<std::size_t> echoDifference(const std::vector<std::uint8_t>& echo, const BootBuffer& sent)
{
    for (std::size_t j = 0; j < echo.size() && j + 1 < kBootBytes; ++j)
        if (echo[j] != sent[j + 1])
            return j + 1;
    return std::nullopt;
}

// The sum of the 1025 boot bytes modulo 65536.
std::uint16_t bootChecksum(const BootBuffer& txBuffer)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kBootBytes; ++i)
        sum += txBuffer[i];
    return static_cast<std::uint16_t>(sum % 65536);
}

// Reads the boot file's 1025 bytes; a failure is the stage's outcome.
std::optional<BootOutcome> readBootFile(const std::string& bootFile, BootBuffer& txBuffer)
{
    if (!files::FileExists(bootFile))
        return BootOutcome{BootResult::FileMissing, "file " + bootFile + " not found", false, {}, 0};
    try {
        TextStream stream = TextStream::OpenTextFile(bootFile);
        const std::int32_t gathered = gatherBootData(stream, txBuffer);
        if (gathered != static_cast<std::int32_t>(kBootBytes))
            return BootOutcome{BootResult::WrongSize,
                               "the boot file holds " + std::to_string(gathered) + " data bytes, not 1025", false, {},
                               0};
    } catch (const BufferRangeError&) {
        return BootOutcome{BootResult::WrongSize, "the boot file holds more than 1025 data bytes", false, {}, 0};
    } catch (const TextFileError& e) {
        return BootOutcome{BootResult::NotTransferred, e.what(), true, {}, 0};
    }
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
    const std::string& bootFile = ctx.config().bootFile;
    link::RadioLink& link = ctx.link;
    link::SerialPort& port = link.port;

    port.setRThreshold(static_cast<int>(kBootEchoBytes));
    port.setInputLen(static_cast<int>(kBootEchoBytes));
    BootOutcome outcome;

    BootBuffer txBuffer{};
    if (std::optional<BootOutcome> failure = readBootFile(bootFile, txBuffer))
        return *failure;

    // Transfer: every byte in a write of its own.
    port.discardInput();
    for (std::size_t i = 0; i < kBootBytes; ++i)
        port.Output(std::span<const std::uint8_t>(&txBuffer[i], 1));
    outcome.checksum = bootChecksum(txBuffer);

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

BootOutcome CheckBootFile(const std::string& bootFile)
{
    BootBuffer txBuffer{};
    std::optional<BootOutcome> failure = readBootFile(bootFile, txBuffer);
    if (failure)
        return *failure;
    BootOutcome outcome;
    outcome.result = BootResult::Ok;
    outcome.checksum = bootChecksum(txBuffer);
    return outcome;
}

} // namespace zorvane

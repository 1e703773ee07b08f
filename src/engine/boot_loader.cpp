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

// The boot ROM echoes bytes 1..1024 of what it received.
bool echoMatches(const std::vector<std::uint8_t>& echo, const BootBuffer& sent)
{
    for (std::size_t j = 0; j < echo.size() && j + 1 < kBootBytes; ++j)
        if (echo[j] != sent[j + 1])
            return false;
    return true;
}

} // namespace

void StartSmartMode(RunContext& ctx)
{
    ctx.link.port.Output(kSmartModeRequest);
    link::TimedWait(ctx.link, 1);
    ctx.link.port.Output(kSmartModeConfirm);
    ctx.MsgBox("Please Reset the radio, then click OK", BoxStyle::Exclamation, "KRIX Smart mode");
}

StageOutcome SendBootFile(RunContext& ctx)
{
    FlashRunState& st = ctx.state;
    link::RadioLink& link = ctx.link;
    link::SerialPort& port = link.port;

    port.setRThreshold(static_cast<int>(kBootEchoBytes));
    port.setInputLen(static_cast<int>(kBootEchoBytes));
    st.gcheckSum = 0;
    std::int16_t result = kBootOk;

    if (!files::FileExists(st.gbootFile))
        return {kBootFileMissing, {}};

    BootBuffer txBuffer{};
    std::optional<TextStream> stream;
    try {
        stream.emplace(TextStream::OpenTextFile(st.gbootFile));
        if (gatherBootData(*stream, txBuffer) != static_cast<std::int32_t>(kBootBytes))
            return {kBootWrongSize, {}};
    } catch (const BufferRangeError&) {
        return {kBootWrongSize, {}};
    } catch (const TextFileError& e) {
        return {kBootNotTransferred, e.what()};
    }

    // Transfer: every byte in a write of its own.
    port.discardInput();
    st.grxMessageRdy = kFalse;
    for (std::size_t i = 0; i < kBootBytes; ++i) {
        port.Output(std::span<const std::uint8_t>(&txBuffer[i], 1));
        st.gcheckSum = (st.gcheckSum + txBuffer[i]) % 65536;
    }

    // Echo wait: the echo must be complete within 3 s of the last byte written.
    link::Clock::time_point start = link.clock.now();
    std::vector<std::uint8_t> echo;
    link.awaitReceive(start + kEchoWaitLimit);
    if (st.grxMessageRdy == kTrue)
        echo = port.Input();
    const link::Seconds echoElapsed = link.elapsedSince(start);

    st.grxMessageRdy = kFalse;
    port.setRThreshold(kVersionReplyBytes);
    port.setInputLen(1);

    if (echoElapsed >= kEchoLate || !echoMatches(echo, txBuffer))
        return {kBootNotTransferred, {}};

    // Version reply: r2.r3 is the version, r4 the sum of r0..r3.
    start = link.clock.now();
    link.awaitReceive(start + kVersionWaitLimit);
    if (st.grxMessageRdy == kTrue) {
        std::optional<link::Frame> reply = link::ReadFrame(port);
        if (!reply) {
            result = kBootNotTransferred;
        } else {
            const link::Frame& r = *reply;
            st.greturnedVersion = HexText(r[2]) + "." + HexText(r[3]);
            if (link::FrameChecksum(r) != r[4])
                result = kBootNotTransferred;
        }
    }
    if (link.elapsedSince(start) >= kVersionWaitLimit)
        result = kBootNoVersion;

    return {result, {}};
}

} // namespace zorvane

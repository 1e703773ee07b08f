#include "engine/image_programmer.h"

#include "engine/hex_text.h"
#include "engine/run_images.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

class ImageWriter {
public:
    ImageWriter(RunContext& ctx, std::uint8_t opcode, const files::Image& image)
        : ctx_(ctx),
          opcode_(opcode),
          stage_(opcode == kOpProgramEeprom ? RunStage::ProgramEeprom : RunStage::ProgramFlash),
          image_(image)
    {
    }

    ImageOutcome run()
    {
        const std::optional<ImageChecksum> checksum =
            image_.hasData ? std::optional<ImageChecksum>(image_.checksum) : std::nullopt;
        ctx_.link.port.setRThreshold(link::kFrameBytes);
        for (const files::ImageBlock& block : image_.blocks) {
            sendBlockAndWait(block);
            ctx_.host.progress({stage_, block.start, bytesDone_, image_.dataBytes,
                                static_cast<double>(block.completedRecords) / image_.file.lineCount * 100.0});
            if (stopped_)
                break;
        }
        if (lineErrorCause_)
            return {ImageResult::LineError, *lineErrorCause_, checksum};
        return {ImageResult::Ok, {}, checksum};
    }

private:
    void writeBlock(const files::ImageBlock& block, const link::Frame& header)
    {
        link::SerialPort& port = ctx_.link.port;
        port.Output(header);
        for (const std::uint8_t& byte : block.data)
            port.Output(std::span<const std::uint8_t>(&byte, 1));
    }

    void sendBlockAndWait(const files::ImageBlock& block)
    {
        link::RadioLink& link = ctx_.link;
        link::SerialPort& port = link.port;
        RunCounts& counts = ctx_.report.counts;

        port.discardInput();
        const link::Frame header =
            link::BuildFrame(opcode_, static_cast<std::uint8_t>(block.start >> 8),
                             static_cast<std::uint8_t>(block.start & 0xFF),
                             static_cast<std::uint8_t>(block.data.size()));
        unsigned sentSum = 0;
        for (std::uint8_t byte : block.data)
            sentSum += byte;
        writeBlock(block, header);
        ++counts.blocks;

        const link::Clock::time_point start = link.clock.now();
        port.setInputLen(1);
        int resends = 0;
        bool acknowledged = false;
        bool invalidReply = false;
        std::uint8_t returnedSum = 0;
        do {
            const auto nextResend = start + kResendInterval * (resends + 1);
            if (link.awaitReceive(resends < kMaxResends ? nextResend : start + kBlockAckLimit)) {
                std::optional<link::Frame> reply = link::ReadFrame(port);
                if (reply && (*reply)[4] == link::FrameChecksum(*reply) && (*reply)[0] == opcode_) {
                    acknowledged = true;
                    returnedSum = (*reply)[3];
                } else {
                    invalidReply = true;
                }
            }
            // An acknowledged block is never sent twice.
            if (!acknowledged && link.clock.now() >= nextResend && resends < kMaxResends) {
                ++resends;
                ++counts.resends;
                port.discardOutput();
                port.discardInput();
                writeBlock(block, header);
            }
        } while (link.elapsedSince(start) < kBlockAckLimit && !acknowledged);

        const std::string where = "block $" + HexText(block.start) + ": ";
        if (acknowledged && returnedSum == (sentSum & 0xFF)) {
            bytesDone_ += block.data.size();
            return;
        }
        std::string cause;
        if (acknowledged)
            cause = where + "the radio's sum $" + HexText(returnedSum) + " differs from $" + HexText(sentSum & 0xFF);
        else
            cause = where + (invalidReply ? "no valid acknowledgement after " : "no acknowledgement after ") +
                    std::to_string(kMaxResends) + " resends";
        ++counts.lineErrors;
        lineErrorCause_ = cause;
        ctx_.host.statusChanged("ERROR at line $" + HexText(block.start));
        const Answer answer =
            ctx_.askOnLineError({stage_, block.start, MakeMessage(MessageId::LineError), cause});
        if (answer == Answer::Stop)
            stopped_ = true;
    }

    RunContext& ctx_;
    const std::uint8_t opcode_;
    const RunStage stage_;
    const files::Image& image_;
    std::size_t bytesDone_ = 0;
    std::optional<std::string> lineErrorCause_;
    bool stopped_ = false;   // the operator answered a line error with Cancel
};

} // namespace

ImageOutcome ProgramImage(RunContext& ctx, std::uint8_t opcode)
{
    const RunImages& images = ctx.images();
    if (opcode == kOpProgramEeprom && !images.eeprom)
        return {ImageResult::Failed, "the platform has no EEPROM image", std::nullopt};
    ImageWriter writer(ctx, opcode, opcode == kOpProgramEeprom ? *images.eeprom : images.firmware);
    return writer.run();
}

} // namespace zorvane

#include "engine/image_programmer.h"

#include "engine/hex_text.h"
#include "engine/run_images.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

// The block header (opcode, address, length, checksum) and the data behind it.
std::vector<std::uint8_t> blockPacket(std::uint8_t opcode, const files::ImageBlock& block)
{
    const link::Frame header =
        link::BuildFrame(opcode, static_cast<std::uint8_t>(block.start >> 8),
                         static_cast<std::uint8_t>(block.start & 0xFF), static_cast<std::uint8_t>(block.data.size()));
    std::vector<std::uint8_t> packet(header.begin(), header.end());
    packet.insert(packet.end(), block.data.begin(), block.data.end());
    return packet;
}

// The radio returns the low eight bits of the plain sum of a block's data.
std::uint8_t dataSum(const files::ImageBlock& block)
{
    unsigned sum = 0;
    for (std::uint8_t byte : block.data)
        sum += byte;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

struct BlockAck {
    bool acknowledged = false;
    bool invalidReply = false;   // a reply came but was dropped
    std::uint8_t returnedSum = 0;
    int resends = 0;
};

BlockFault blockFault(const files::ImageBlock& block, const BlockAck& ack)
{
    return {block.start, ack.acknowledged, ack.invalidReply, ack.returnedSum, dataSum(block), ack.resends};
}

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
        for (const files::ImageBlock& block : image_.blocks) {
            sendBlockAndWait(block);
            ctx_.host.progress({stage_, block.start, bytesDone_, image_.dataBytes,
                                static_cast<double>(block.completedRecords) / image_.file.lineCount * 100.0});
            if (stopped_)
                break;
        }
        if (lineError_)
            return {ImageResult::LineError, checksum, RunFault{*lineError_}};
        return {ImageResult::Ok, checksum};
    }

private:
    void sendBlockAndWait(const files::ImageBlock& block)
    {
        const std::vector<std::uint8_t> packet = blockPacket(opcode_, block);
        ctx_.link.port.discardInput();
        ctx_.link.port.Output(packet);
        ++ctx_.report.counts.blocks;
        const BlockAck ack = awaitAck(packet);
        if (ack.acknowledged && ack.returnedSum == dataSum(block))
            bytesDone_ += block.data.size();
        else
            lineError(block, blockFault(block, ack));
    }

    // The first valid reply within kBlockAckLimit. The block goes out again
    // at every kResendInterval without one (the wait's start stays), at most
    // kMaxResends times; replies with a wrong checksum or opcode are dropped.
    BlockAck awaitAck(std::span<const std::uint8_t> packet)
    {
        link::RadioLink& link = ctx_.link;
        const link::Clock::time_point start = link.clock.now();
        BlockAck ack;
        int resends = 0;
        do {
            const auto nextResend = start + kResendInterval * (resends + 1);
            const auto deadline = resends < kMaxResends ? nextResend : start + kBlockAckLimit;
            if (const std::optional<link::Frame> reply = link::ReceiveFrame(link, deadline)) {
                ack.acknowledged = link::ChecksumHolds(*reply) && (*reply)[0] == opcode_;
                ack.invalidReply = ack.invalidReply || !ack.acknowledged;
                ack.returnedSum = (*reply)[3];
            }
            if (!ack.acknowledged && link.clock.now() >= nextResend && resends < kMaxResends) {
                ++resends;
                resend(packet);
            }
        } while (link.elapsedSince(start) < kBlockAckLimit && !ack.acknowledged);
        ack.resends = resends;
        return ack;
    }

    void resend(std::span<const std::uint8_t> packet)
    {
        ++ctx_.report.counts.resends;
        ctx_.link.port.discardOutput();
        ctx_.link.port.discardInput();
        ctx_.link.port.Output(packet);
    }

    void lineError(const files::ImageBlock& block, const BlockFault& fault)
    {
        ++ctx_.report.counts.lineErrors;
        lineError_ = fault;
        ctx_.host.statusChanged("ERROR at line $" + HexText(block.start));
        const Answer answer =
            ctx_.askOnLineError({stage_, block.start, MakeMessage(MessageId::LineError), FaultText(fault), fault});
        if (answer == Answer::Stop)
            stopped_ = true;
    }

    RunContext& ctx_;
    const std::uint8_t opcode_;
    const RunStage stage_;
    const files::Image& image_;
    std::size_t bytesDone_ = 0;
    std::optional<BlockFault> lineError_;   // the last block the radio did not take
    bool stopped_ = false;   // the operator answered a line error with Cancel
};

} // namespace

ImageOutcome ProgramImage(RunContext& ctx, std::uint8_t opcode, const files::Image& image)
{
    ImageWriter writer(ctx, opcode, image);
    return writer.run();
}

} // namespace zorvane

#include "engine/image_programmer.h"

#include <array>
#include <vector>

#include "engine/hex_text.h"
#include "files/srecord.h"
#include "files/text_files.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

using files::SrecLine;
using files::TextStream;

constexpr int kHighestAddress = 0xFFFF;

int pageOf(int address)
{
    return address / kPageBytes;
}

int recordAddress(const SrecLine& line)
{
    return files::Ascii2Dec(line[4], line[5]) * 256 + files::Ascii2Dec(line[6], line[7]);
}

struct Block {
    int start = 0;
    int length = 0;
};

// Data bytes of a record that did not fit the block just closed.
struct Carried {
    int address = 0;
    std::vector<std::uint8_t> bytes;
};

class ImageWriter {
public:
    ImageWriter(RunContext& ctx, std::uint8_t opcode, TextStream& stream, const ImageCheck& check)
        : ctx_(ctx),
          opcode_(opcode),
          stage_(opcode == kOpProgramEeprom ? RunStage::ProgramEeprom : RunStage::ProgramFlash),
          stream_(stream),
          lineCount_(check.lineCount),
          bytesTotal_(check.dataBytes)
    {
    }

    ImageOutcome run()
    {
        ctx_.link.port.setRThreshold(link::kFrameBytes);
        while (!endMet_ && !stopped_) {
            Block block = assembleBlock();
            if (block.length > 0) {
                sendBlockAndWait(block);
                ctx_.host.progress({stage_, static_cast<std::uint16_t>(block.start), bytesDone_, bytesTotal_,
                                    static_cast<double>(completedRecords_) / lineCount_ * 100.0});
            }
        }
        if (lineErrorCause_)
            return {ImageResult::LineError, *lineErrorCause_, checksum_};
        return {ImageResult::Ok, {}, checksum_};
    }

private:
    Block assembleBlock()
    {
        Block block;
        while (block.length < kPageBytes) {
            int address = 0;
            int placed = 0;
            if (carried_) {
                address = carried_->address;
                placed = static_cast<int>(carried_->bytes.size());
                std::copy(carried_->bytes.begin(), carried_->bytes.end(), txBuffer_.begin() + block.length);
                carried_.reset();
            } else {
                files::GetSrecLine(stream_, inputLine_);
                const std::uint8_t type = inputLine_[1];
                if (type == '0')
                    continue;
                if (type != '1') {   // S5, S7, S8, S9 and also S2, S3: the image ends here
                    endMet_ = true;
                    return block;
                }
                address = recordAddress(inputLine_);
                if (!checksum_)
                    checksum_ = ImageChecksum{
                        static_cast<std::uint8_t>(files::Ascii2Dec(inputLine_[8], inputLine_[9])),
                        static_cast<std::uint8_t>(files::Ascii2Dec(inputLine_[10], inputLine_[11]))};
                placed = files::SLine2Hex(inputLine_, txBuffer_, block.length);
            }
            if (block.length == 0)
                block.start = address;

            const int last = address + placed - 1;
            if (address != block.start + block.length || pageOf(address) != pageOf(block.start)) {
                carry(address, block.length, placed);
                return block;
            }
            if (placed > 0 && pageOf(last) != pageOf(address)) {
                const int nextPage = (address | (kPageBytes - 1)) + 1;
                const int carriedCount = last - nextPage + 1;
                block.length += placed - carriedCount;
                carry(nextPage, block.length, carriedCount);
                return block;
            }
            block.length += placed;
            ++completedRecords_;
        }
        return block;
    }

    void carry(int address, int from, int count)
    {
        carried_ = Carried{address, std::vector<std::uint8_t>(txBuffer_.begin() + from,
                                                             txBuffer_.begin() + from + count)};
    }

    void writeBlock(const Block& block, const link::Frame& header)
    {
        link::SerialPort& port = ctx_.link.port;
        port.Output(header);
        for (int i = 0; i < block.length; ++i)
            port.Output(std::span<const std::uint8_t>(&txBuffer_[static_cast<std::size_t>(i)], 1));
    }

    void sendBlockAndWait(const Block& block)
    {
        link::RadioLink& link = ctx_.link;
        link::SerialPort& port = link.port;
        RunCounts& counts = ctx_.report.counts;

        port.discardInput();
        const link::Frame header =
            link::BuildFrame(opcode_, static_cast<std::uint8_t>(block.start >> 8),
                             static_cast<std::uint8_t>(block.start & 0xFF),
                             static_cast<std::uint8_t>(block.length));
        unsigned sentSum = 0;
        for (int i = 0; i < block.length; ++i)
            sentSum += txBuffer_[static_cast<std::size_t>(i)];
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

        const std::string where = "block $" + HexText(static_cast<std::uint32_t>(block.start)) + ": ";
        if (acknowledged && returnedSum == (sentSum & 0xFF)) {
            bytesDone_ += static_cast<std::size_t>(block.length);
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
        ctx_.host.statusChanged("ERROR at line $" + HexText(static_cast<std::uint32_t>(block.start)));
        const Answer answer = ctx_.askOnLineError(
            {stage_, static_cast<std::uint16_t>(block.start), MakeMessage(MessageId::LineError), cause});
        if (answer == Answer::Stop)
            stopped_ = true;
    }

    RunContext& ctx_;
    const std::uint8_t opcode_;
    const RunStage stage_;
    TextStream& stream_;
    const long lineCount_;
    const std::size_t bytesTotal_;
    std::size_t bytesDone_ = 0;
    std::optional<ImageChecksum> checksum_;
    std::optional<std::string> lineErrorCause_;
    SrecLine inputLine_{};
    std::array<std::uint8_t, 256> txBuffer_{};
    std::optional<Carried> carried_;
    long completedRecords_ = 0;
    bool endMet_ = false;
    bool stopped_ = false;   // the operator answered a line error with Cancel
};

} // namespace

long CountLines(const std::string& fileName)
{
    TextStream stream = TextStream::OpenTextFile(fileName);
    long lines = 0;
    while (!stream.AtEndOfStream()) {
        lines = stream.Line();
        stream.SkipLine();
    }
    return lines;
}

namespace {

// Counts the blocks programming will send, by the same rules: a block ends
// at an address gap, at a page's end, and never holds nothing.
class BlockCounter {
public:
    void place(int address, int count)
    {
        if (length_ == 0)
            start_ = address;
        else if (address != start_ + length_ || pageOf(address) != pageOf(start_))
            close(address);
        const int last = address + count - 1;
        if (count > 0 && pageOf(last) != pageOf(address)) {
            const int nextPage = (address | (kPageBytes - 1)) + 1;
            length_ += nextPage - address;
            close(nextPage);
            place(nextPage, last - nextPage + 1);
            return;
        }
        length_ += count;
    }

    std::size_t finish()
    {
        close(0);
        return blocks_;
    }

private:
    void close(int nextStart)
    {
        if (length_ > 0)
            ++blocks_;
        start_ = nextStart;
        length_ = 0;
    }

    int start_ = 0;
    int length_ = 0;
    std::size_t blocks_ = 0;
};

} // namespace

ImageCheck CheckImageFile(const std::string& fileName)
{
    ImageCheck check;
    check.lineCount = CountLines(fileName);
    if (check.lineCount == 0) {
        check.fault = "File " + fileName + " holds no records.";
        return check;
    }
    if (check.lineCount > kMaxImageLines) {
        check.fault = "File " + fileName + " has more than " + std::to_string(kMaxImageLines) + " lines.";
        return check;
    }

    TextStream stream = TextStream::OpenTextFile(fileName);
    SrecLine line{};
    std::array<std::uint8_t, 256> scratch{};
    BlockCounter blocks;
    try {
        while (true) {
            files::GetSrecLine(stream, line);
            if (line[1] == '0')
                continue;
            if (line[1] != '1') {
                check.blocks = blocks.finish();
                return check;
            }
            const int count = files::SLine2Hex(line, scratch, 0);
            check.dataBytes += static_cast<std::size_t>(count);
            blocks.place(recordAddress(line), count);
            if (recordAddress(line) + count - 1 > kHighestAddress) {
                check.fault = "File " + fileName + ": the record at address $" +
                              HexText(static_cast<std::uint32_t>(recordAddress(line))) + " runs past address $FFFF.";
                return check;
            }
        }
    } catch (const files::EndOfStreamError&) {
        check.fault = "File " + fileName + " ends without an end record.";
    } catch (const files::BufferRangeError&) {
        check.fault = "File " + fileName + " holds a record too long to read.";
    }
    return check;
}

std::variant<ImageCheck, ImageOutcome> ReadImageFile(const std::string& fileName)
{
    if (!files::FileExists(fileName))
        return ImageOutcome{ImageResult::FileMissing, "file " + fileName + " not found", std::nullopt};
    try {
        ImageCheck check = CheckImageFile(fileName);
        if (check.fault)
            return ImageOutcome{ImageResult::Failed, *check.fault, std::nullopt};
        return check;
    } catch (const files::TextFileError& e) {
        return ImageOutcome{ImageResult::Failed, e.what(), std::nullopt};
    } catch (const files::BufferRangeError& e) {
        return ImageOutcome{ImageResult::Failed, e.what(), std::nullopt};
    }
}

ImageOutcome ProgramImage(RunContext& ctx, std::uint8_t opcode)
{
    const std::string& fileName =
        (opcode == kOpProgramEeprom) ? ctx.config().eepromFile : ctx.config().firmwareFile;
    const std::variant<ImageCheck, ImageOutcome> image = ReadImageFile(fileName);
    if (const ImageOutcome* failed = std::get_if<ImageOutcome>(&image))
        return *failed;
    try {
        TextStream stream = TextStream::OpenTextFile(fileName);
        ImageWriter writer(ctx, opcode, stream, std::get<ImageCheck>(image));
        return writer.run();
    } catch (const files::TextFileError& e) {
        return {ImageResult::Failed, e.what(), std::nullopt};
    } catch (const files::BufferRangeError& e) {
        return {ImageResult::Failed, e.what(), std::nullopt};
    }
}

} // namespace zorvane

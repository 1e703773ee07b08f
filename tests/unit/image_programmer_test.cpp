#include <gtest/gtest.h>

#include "engine/image_programmer.h"
#include "kit/bytes.h"
#include "kit/engine_fixture.h"
#include "kit/scripted_radio.h"
#include "srec_writer.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

using testkit::Pattern;

struct Record {
    std::uint16_t address;
    std::size_t length;
};

// An image with a header record, data records as listed and an S9 end record.
std::string image(const std::vector<Record>& records, const std::string& tail = "S9030000FC\r\n")
{
    std::string text = "S00600004844521B\r\n";
    for (const Record& r : records)
        text += radio::SRecord('1', r.address, Pattern(r.length, static_cast<std::uint8_t>(r.address))) + "\r\n";
    return text + tail;
}

struct SentBlock {
    Bytes header;
    std::size_t dataBytes = 0;
};

class ImageProgrammer : public testkit::EngineFixture {
protected:
    void SetUp() override
    {
        openAt(7600);
        radio.skipToBootCode();
        platform().firmwareFile = "main.s19";
        platform().eepromFile = "eeprom.s19";
    }

    // Every write is a block: its 5-byte header, then its data.
    std::vector<SentBlock> blocks() const
    {
        std::vector<SentBlock> sent;
        for (const testkit::WriteRecord& w : port.writes)
            sent.push_back({Bytes(w.bytes.begin(), w.bytes.begin() + 5), w.bytes.size() - 5});
        return sent;
    }

    std::vector<double> headerTimes() const
    {
        std::vector<double> times;
        for (const testkit::WriteRecord& w : port.writes)
            times.push_back(w.at - port.writes.front().at);
        return times;
    }

    // Makes the radio silent: nothing it would send arrives.
    void silenceRadio()
    {
        port.onWrite = nullptr;
    }

    testkit::ScriptedRadio radio{port};
};

TEST_F(ImageProgrammer, BlocksFollowThe128BytePages)
{
    struct Case {
        const char* why;
        std::uint8_t opcode;
        std::vector<Record> records;
        std::vector<Bytes> headers;
    } cases[] = {
        {"five 32-byte records from 0x8000",
         kOpProgramFlash,
         {{0x8000, 32}, {0x8020, 32}, {0x8040, 32}, {0x8060, 32}, {0x8080, 32}},
         {{0x08, 0x80, 0x00, 0x80, 0x08}, {0x08, 0x80, 0x80, 0x20, 0x28}}},
        {"a record at 0x8078 is split 8 + 8",
         kOpProgramFlash,
         {{0x8060, 24}, {0x8078, 16}, {0x8088, 8}},
         {{0x08, 0x80, 0x60, 0x20, 0x08}, {0x08, 0x80, 0x80, 0x10, 0x18}}},
        {"an address gap closes the block",
         kOpProgramFlash,
         {{0x8000, 16}, {0x8040, 16}},
         {{0x08, 0x80, 0x00, 0x10, 0x98}, {0x08, 0x80, 0x40, 0x10, 0xD8}}},
        {"a first record at 0x8010 gives 112 bytes",
         kOpProgramFlash,
         {{0x8010, 16}, {0x8020, 16}, {0x8030, 16}, {0x8040, 16}, {0x8050, 16}, {0x8060, 16}, {0x8070, 16}, {0x8080, 16}},
         {{0x08, 0x80, 0x10, 0x70, 0x08}, {0x08, 0x80, 0x80, 0x10, 0x18}}},
        {"EEPROM at 0x0800",
         kOpProgramEeprom,
         {{0x0800, 16}},
         {{0x22, 0x08, 0x00, 0x10, 0x3A}}},
    };
    for (const Case& c : cases) {
        const std::uint8_t eraseBoth[] = {0x05, 0, 0, 0, 0x05, 0x1F, 0, 0, 0, 0x1F};
        radio.model.receive(eraseBoth, radio::kRadioBaud);
        port.writes.clear();
        dir.write(c.opcode == kOpProgramEeprom ? "eeprom.s19" : "main.s19", image(c.records));
        EXPECT_EQ(program(c.opcode).result, ImageResult::Ok) << c.why;
        std::vector<Bytes> headers;
        for (const SentBlock& b : blocks()) {
            headers.push_back(b.header);
            EXPECT_EQ(b.dataBytes, b.header[3]) << c.why << ": the header and its data in one write";
        }
        EXPECT_EQ(headers, c.headers) << c.why;
        const auto& memory = c.opcode == kOpProgramEeprom ? radio.model.eeprom() : radio.model.flash();
        for (const Record& r : c.records) {
            const Bytes expected = Pattern(r.length, static_cast<std::uint8_t>(r.address));
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin() + r.address)) << c.why;
        }
    }
}

TEST_F(ImageProgrammer, ChecksumBytesAndProgress)
{
    dir.write("main.s19", image({{0x8010, 16}, {0x8020, 32}, {0x8040, 32}, {0x8060, 32}, {0x8080, 32}}));
    const ImageOutcome outcome = program(kOpProgramFlash);
    EXPECT_EQ(outcome.result, ImageResult::Ok);
    const Bytes first = Pattern(16, 0x10);
    EXPECT_EQ(outcome.checksum, (ImageChecksum{first[0], first[1]}));
    // Seven lines: header, five records, end record; one progress step per block.
    const std::vector<RunProgress> progress = host.progressEvents();
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_DOUBLE_EQ(progress[0].percent, 4.0 / 7 * 100);
    EXPECT_DOUBLE_EQ(progress[1].percent, 5.0 / 7 * 100);
    EXPECT_EQ(progress[0].stage, RunStage::ProgramFlash);
    EXPECT_EQ(progress[1].address, 0x8080);
    EXPECT_EQ(progress[0].bytesDone, 112u);
    EXPECT_EQ(progress[1].bytesDone, 144u);
    EXPECT_EQ(progress[1].bytesTotal, 144u);
    EXPECT_EQ(ctx.report.counts.blocks, 2u);
}

// Every kind of end record ends the image; a data record after it would be
// data the radio never gets, so that file sends nothing.
TEST_F(ImageProgrammer, EveryEndKindOfRecordEndsTheImage)
{
    for (const char* end : {"S9030000FC", "S804000000FB", "S70500000000FA", "S5030001FB",
                            "S20801000001020304EC", "S30800000000010203F1"}) {
        port.writes.clear();
        dir.write("main.s19", image({{0x8000, 16}}, std::string(end) + "\r\nS9030000FC\r\nnot read\r\n"));
        EXPECT_EQ(program(kOpProgramFlash).result, ImageResult::Ok) << end;
        ASSERT_EQ(blocks().size(), 1u) << end;
        EXPECT_EQ(blocks()[0].header[1], 0x80) << end;

        port.writes.clear();
        dir.write("main.s19", image({{0x8000, 16}}, std::string(end) + "\r\n" +
                                                       radio::SRecord('1', 0x9000, Pattern(16, 1)) + "\r\n"));
        EXPECT_EQ(program(kOpProgramFlash).result, ImageResult::Failed) << end;
        EXPECT_TRUE(port.writes.empty()) << end;
    }
}

TEST_F(ImageProgrammer, UnansweredBlockIsResentThenALineError)
{
    dir.write("main.s19", image({{0x8000, 16}}));
    silenceRadio();
    host.answers = {Answer::GoOn};
    const ImageOutcome outcome = program(kOpProgramFlash);
    EXPECT_EQ(outcome.result, ImageResult::LineError);
    EXPECT_EQ(FaultText(*outcome.fault), "block $8000: no acknowledgement after 3 resends");
    EXPECT_EQ(headerTimes(), (std::vector<double>{0, 3, 6, 9}));
    EXPECT_DOUBLE_EQ(clock.seconds() - port.writes.front().at, 12.0);
    EXPECT_EQ(port.outputDiscards, 3);
    ASSERT_EQ(host.lineErrors().size(), 1u);
    EXPECT_EQ(host.lineErrors()[0].address, 0x8000);
    EXPECT_EQ(host.lineErrors()[0].message.id, MessageId::LineError);
    // The fault itself travels with its words, to the question and the outcome.
    for (const std::optional<RunFault>& fault : {host.lineErrors()[0].fault, outcome.fault}) {
        ASSERT_TRUE(fault && std::holds_alternative<BlockFault>(*fault));
        const BlockFault& block = std::get<BlockFault>(*fault);
        EXPECT_EQ(block.address, 0x8000);
        EXPECT_FALSE(block.acknowledged);
        EXPECT_EQ(block.resends, 3);
    }
    EXPECT_EQ(host.statusTexts().back(), "ERROR at line $8000");
    EXPECT_EQ(ctx.report.counts.blocks, 1u);
    EXPECT_EQ(ctx.report.counts.resends, 3u);
    EXPECT_EQ(ctx.report.counts.lineErrors, 1u);
}

TEST_F(ImageProgrammer, ReplyWithBadChecksumIsIgnored)
{
    dir.write("eeprom.s19", image({{0x0800, 16}}));
    port.onWrite = [this](std::span<const std::uint8_t>, std::int32_t) {
        port.deliverAfter(100ms, {0x22, 0x08, 0x00, 0x55, 0x00});
    };
    const ImageOutcome outcome = program(kOpProgramEeprom);
    EXPECT_EQ(outcome.result, ImageResult::LineError);
    EXPECT_EQ(FaultText(*outcome.fault), "block $800: no valid acknowledgement after 3 resends");
    EXPECT_EQ(headerTimes().size(), 4u);
    EXPECT_EQ(host.statusTexts().back(), "ERROR at line $800");
    EXPECT_EQ(host.messageIds(), std::vector{MessageId::LineError}) << "the EEPROM asks the same question";
    EXPECT_EQ(host.lineErrors().at(0).stage, RunStage::ProgramEeprom);
}

TEST_F(ImageProgrammer, LostAcknowledgementIsRecoveredByAResend)
{
    radio::RadioSettings settings;
    settings.faults.dropBlockAck = {{1, 2}};
    testkit::ScriptedRadio lossy(port, settings);
    lossy.skipToBootCode();
    dir.write("main.s19", image({{0x8000, 32}, {0x8080, 32}}));
    EXPECT_EQ(program(kOpProgramFlash).result, ImageResult::Ok);
    EXPECT_EQ(headerTimes(), (std::vector<double>{0, 3, 6, 6.02}));
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(ctx.report.counts.resends, 2u);
}

TEST_F(ImageProgrammer, WrongSumAsksTheOperator)
{
    struct Case {
        Answer answer;
        std::size_t blocksSent;
    } cases[] = {{Answer::GoOn, 2}, {Answer::Stop, 1}};
    for (const Case& c : cases) {
        radio::RadioSettings settings;
        settings.faults.wrongBlockSum = {1};
        testkit::ScriptedRadio faulty(port, settings);
        faulty.skipToBootCode();
        port.writes.clear();
        host.answers = {c.answer};
        dir.write("main.s19", image({{0x8000, 32}, {0x8080, 32}}));
        const ImageOutcome outcome = program(kOpProgramFlash);
        EXPECT_EQ(outcome.result, ImageResult::LineError);
        EXPECT_EQ(FaultText(*outcome.fault).rfind("block $8000: the radio's sum $", 0), 0u) << FaultText(*outcome.fault);
        EXPECT_EQ(blocks().size(), c.blocksSent);
        EXPECT_EQ(headerTimes().size(), c.blocksSent) << "the failed block is not sent again";
    }
}

TEST_F(ImageProgrammer, FilesItCannotProgramSendNothing)
{
    struct Case {
        const char* why;
        std::string content;
    } cases[] = {
        {"empty file", ""},
        {"no end record", "S00600004844521B\r\n" + radio::SRecord('1', 0x8000, Pattern(16, 0)) + "\r\n"},
        {"data past 0xFFFF", image({{0xFFF8, 16}})},
        {"record too long for the line buffer", "S1FF8000" + std::string(600, '0') + "\r\nS9030000FC\r\n"},
        {"more than 32767 lines", std::string(32768, '\n') + image({{0x8000, 16}})},
    };
    for (const Case& c : cases) {
        port.writes.clear();
        dir.write("main.s19", c.content);
        const ImageOutcome outcome = program(kOpProgramFlash);
        EXPECT_EQ(outcome.result, ImageResult::Failed) << c.why;
        EXPECT_NE(FaultText(*outcome.fault).find("main.s19"), std::string::npos) << c.why << ": " << FaultText(*outcome.fault);
        EXPECT_TRUE(port.writes.empty()) << c.why;
    }
    port.writes.clear();
    EXPECT_EQ(program(kOpProgramEeprom).result, ImageResult::FileMissing);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(ImageProgrammer, StopDuringTheWaitEndsTheStage)
{
    dir.write("main.s19", image({{0x8000, 16}}));
    silenceRadio();
    port.onWrite = [this](std::span<const std::uint8_t>, std::int32_t) { stop.request_stop(); };
    EXPECT_THROW(program(kOpProgramFlash), link::RunCancelled);
    EXPECT_TRUE(host.messages().empty());
}

} // namespace
} // namespace zorvane

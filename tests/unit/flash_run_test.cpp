#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "engine/flash_run.h"
#include "files/sha256.h"
#include "kit/bytes.h"
#include "kit/engine_fixture.h"
#include "kit/scripted_radio.h"
#include "link/protocol.h"
#include "srec_writer.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

using testkit::Pattern;

const Bytes kBoot = Pattern(1025, 0x3C);
const Bytes kFirmware = Pattern(160, 0x12);
const Bytes kEeprom = Pattern(16, 0x77);

class FlashRun : public testkit::EngineFixture {
protected:
    void SetUp() override
    {
        dir.write("boot.s19", radio::SRecordImage(0x0000, kBoot, 100));
        dir.write("main.s19", radio::SRecordImage(0x8000, kFirmware, 32));
        dir.write("eeprom.s19", radio::SRecordImage(0x0000, kEeprom, 16));
        platform() = {"pellamar.cfg", "boot.s19", "main.s19", "eeprom.s19", "A5", 0xA5};
    }

    void useRadio(radio::RadioSettings settings) { radio = std::make_unique<testkit::ScriptedRadio>(port, settings); }

    RunOutcome run() { return cmdBeginFlash_Click(ctx); }

    // The line traffic, one line a write; runs of single-byte writes are
    // summed up as one line, and the data behind a block's header counted.
    Lines transcript() const
    {
        Lines lines;
        std::size_t run = 0;
        double runStart = 0;
        auto flush = [&] {
            if (run > 0) {
                char text[64];
                std::snprintf(text, sizeof text, "%7.3f 7600 %zu single bytes", runStart, run);
                lines.push_back(text);
            }
            run = 0;
        };
        for (const testkit::WriteRecord& w : port.writes) {
            if (w.bytes.size() == 1) {
                if (run++ == 0)
                    runStart = w.at;
                continue;
            }
            flush();
            char text[64];
            std::snprintf(text, sizeof text, "%7.3f %d", w.at, w.baud);
            std::string line = text;
            for (std::size_t i = 0; i < w.bytes.size() && i < link::kFrameBytes; ++i) {
                std::snprintf(text, sizeof text, " %02X", w.bytes[i]);
                line += text;
            }
            if (w.bytes.size() > link::kFrameBytes)
                line += " + " + std::to_string(w.bytes.size() - link::kFrameBytes) + " data bytes";
            lines.push_back(line);
        }
        flush();
        return lines;
    }

    std::unique_ptr<testkit::ScriptedRadio> radio = std::make_unique<testkit::ScriptedRadio>(port);
};

std::string checksumText(const Bytes& image)
{
    char text[8];
    std::snprintf(text, sizeof text, "$%X%X", image[0], image[1]);
    return text;
}

TEST_F(FlashRun, SuccessfulRunWithEeprom)
{
    EXPECT_EQ(run(), RunOutcome::Success);
    EXPECT_EQ(transcript(), (Lines{
        "  0.000 9600 1A 12 1A 06 DB",
        "  1.000 9600 02 48 B5",
        "  1.000 7600 1025 single bytes",
        "  2.550 7600 31 00 00 00 31",
        "  3.070 7600 32 00 00 A5 D7",
        "  3.590 7600 1F 00 00 00 1F",
        "  4.110 7600 22 00 00 10 32 + 16 data bytes",
        "  4.130 7600 05 00 00 00 05",
        "  4.650 7600 08 80 00 80 08 + 128 data bytes",
        "  4.670 7600 08 80 80 20 28 + 32 data bytes",
    }));

    EXPECT_EQ(host.messageIds(), (std::vector{MessageId::ResetRadio, MessageId::Success}));
    EXPECT_TRUE(host.failures().empty());

    int bootSum = 0;
    for (std::uint8_t b : kBoot)
        bootSum += b;
    char bootCsum[8];
    std::snprintf(bootCsum, sizeof bootCsum, "$%X", bootSum % 65536);
    EXPECT_EQ(host.result(ResultBox::BootVers), "R1.0");
    EXPECT_EQ(host.result(ResultBox::BootCsum), bootCsum);
    EXPECT_EQ(host.result(ResultBox::Config), "$A5");
    EXPECT_EQ(host.result(ResultBox::EepromCsum), checksumText(kEeprom));
    EXPECT_EQ(host.result(ResultBox::FirmwareCsum), checksumText(kFirmware));
    EXPECT_EQ(host.statusTexts(), (Lines{"Comm  1, 9600", "Comm  1, 7600", "Comm  1"}));
    EXPECT_EQ(host.progress().back(), 0);
    EXPECT_EQ(host.stages(), (std::vector{RunStage::OpenPort, RunStage::SmartMode, RunStage::BootLoad,
                                          RunStage::Config, RunStage::EraseEeprom, RunStage::ProgramEeprom,
                                          RunStage::EraseRom, RunStage::ProgramFlash, RunStage::Closing}));

    // The report holds every result value, the counts and each stage's time.
    const RunReport& report = ctx.report;
    EXPECT_EQ(report.outcome, RunOutcome::Success);
    EXPECT_EQ(report.bootVersion, "1.0");
    EXPECT_EQ(report.bootChecksum, bootSum % 65536);
    EXPECT_EQ(report.configValue, 0xA5);
    EXPECT_EQ(report.eepromChecksum, (ImageChecksum{kEeprom[0], kEeprom[1]}));
    EXPECT_EQ(report.firmwareChecksum, (ImageChecksum{kFirmware[0], kFirmware[1]}));
    EXPECT_EQ(report.message->id, MessageId::Success);
    EXPECT_EQ(report.cause, "");
    EXPECT_EQ(report.counts.blocks, 3u);
    EXPECT_EQ(report.counts.resends, 0u);
    ASSERT_EQ(report.stageTimes.size(), host.stages().size());
    EXPECT_EQ(report.stageTimes[1].stage, RunStage::SmartMode);
    EXPECT_DOUBLE_EQ(report.stageTimes[1].took.count(), 1.0) << "smart mode: the 1 s wait";
    EXPECT_NEAR(report.stageTimes[3].took.count(), 1.04, 1e-9) << "CONFIG: two acknowledgements and pauses";
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(port.settingsApplied, (std::vector<link::LineSettings>{{9600, 'N', 8, 1}}));

    // What the radio holds is what the files say.
    EXPECT_EQ(radio->model.configByte(), 0xA5);
    EXPECT_TRUE(std::equal(kFirmware.begin(), kFirmware.end(), radio->model.flash().begin() + 0x8000));
    EXPECT_TRUE(std::equal(kEeprom.begin(), kEeprom.end(), radio->model.eeprom().begin()));
    EXPECT_EQ(radio->model.bootCode(), kBoot);
}

TEST_F(FlashRun, WithoutEepromTheRunGoesStraightToEraseRom)
{
    platform().eepromFile.clear();
    request.port = link::CommEntry{2};
    EXPECT_EQ(run(), RunOutcome::Success);
    const Lines lines = transcript();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[4], "  3.070 7600 32 00 00 A5 D7");
    EXPECT_EQ(lines[5], "  3.590 7600 05 00 00 00 05");
    EXPECT_EQ(host.result(ResultBox::EepromCsum), "");
    EXPECT_EQ(host.filledResults().size(), 4u);
    EXPECT_EQ(host.statusTexts(), (Lines{"Comm  2, 9600", "Comm  2, 7600", "Comm  2"}));
    EXPECT_EQ(port.portChoice(), link::PortChoice{link::CommEntry{2}});
}

TEST_F(FlashRun, NoPlatformTouchesNothing)
{
    request.platform.reset();
    EXPECT_EQ(run(), RunOutcome::NoPlatform);
    EXPECT_EQ(host.messageIds(), std::vector{MessageId::ChooseAPlatform});
    EXPECT_TRUE(host.stages().empty());
    EXPECT_TRUE(host.progress().empty());
    EXPECT_TRUE(host.statusTexts().empty());
    EXPECT_EQ(port.opens, 0);
}

using ResultList = std::vector<ResultBox>;
const ResultList kBootBoxes{ResultBox::BootVers, ResultBox::BootCsum};
const ResultList kConfigBoxes{ResultBox::BootVers, ResultBox::BootCsum, ResultBox::Config};
const ResultList kEepromBoxes{ResultBox::BootVers, ResultBox::BootCsum, ResultBox::Config, ResultBox::EepromCsum};

class FlashRunFailure;
struct FailureRow;
void PrintTo(const FailureRow& row, std::ostream* out);

struct FailureRow {
    const char* why;
    std::function<void(FlashRunFailure&)> arrange;
    RunOutcome outcome;
    MessageId message;
    std::string cause;
    ResultList filled;
    bool portOpened = true;
};

void PrintTo(const FailureRow& row, std::ostream* out)
{
    *out << row.why;
}

// Each failure of a run: its one message, the result boxes it leaves, and
// the closing steps (bar at 0, port closed, the port text back).
class FlashRunFailure : public FlashRun, public ::testing::WithParamInterface<FailureRow> {
public:
    // Lets the table reach the fixture's members.
    testkit::FakeSerialPort& fakePort() { return port; }
    files::PlatformConfig& runPlatform() { return platform(); }
    testkit::TempDir& workDir() { return dir; }
    testkit::RecordingHost& recorder() { return host; }
    void radioWith(radio::RadioSettings settings) { useRadio(std::move(settings)); }
};

radio::RadioSettings withFaults(std::function<void(radio::RadioFaults&)> set)
{
    radio::RadioSettings settings;
    set(settings.faults);
    return settings;
}

TEST_P(FlashRunFailure, EndsWithItsMessageAndTheClosingSteps)
{
    const FailureRow& row = GetParam();
    row.arrange(*this);
    EXPECT_EQ(run(), row.outcome);
    ASSERT_EQ(host.failures().size(), 1u) << "one failure box";
    const RunFailure failure = host.failures().back();
    EXPECT_EQ(failure.outcome, row.outcome);
    EXPECT_EQ(failure.message.id, row.message);
    EXPECT_EQ(failure.cause, row.cause);
    EXPECT_EQ(ctx.report.message->id, row.message);
    EXPECT_EQ(ctx.report.cause, row.cause);
    EXPECT_EQ(host.messageIds().back(), row.message) << "the failure is the last box";
    EXPECT_EQ(host.filledResults(), row.filled);
    EXPECT_EQ(host.progress().back(), 0);
    EXPECT_FALSE(port.PortOpen());
    if (row.portOpened)
        EXPECT_EQ(host.statusTexts().back(), "Comm  1");
    else
        EXPECT_TRUE(host.statusTexts().empty()) << "the status panel keeps its text";
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, FlashRunFailure,
    ::testing::Values(
        FailureRow{"port in use", [](FlashRunFailure& f) { f.fakePort().openError = link::kErrPortInUse; },
                   RunOutcome::PortFailed, MessageId::PortInUse, "cannot open (MSComm1 error 8005)", {}, false},
        FailureRow{"port missing", [](FlashRunFailure& f) { f.fakePort().openError = link::kErrCannotOpen; },
                   RunOutcome::PortFailed, MessageId::PortCannotOpen, "cannot open (MSComm1 error 8012)", {}, false},
        FailureRow{"port fails otherwise", [](FlashRunFailure& f) { f.fakePort().openError = link::kErrOpenFailed; },
                   RunOutcome::PortFailed, MessageId::PortOpenError, "cannot open (MSComm1 error 8010)", {}, false},
        FailureRow{"baud rate refused", [](FlashRunFailure& f) { f.fakePort().refuseBaudRate = true; },
                   RunOutcome::SerialFailed, MessageId::PortFailed,
                   "Could not set port to specified baud rate (MSComm1 error 8015)", {}},
        FailureRow{"boot file missing", [](FlashRunFailure& f) { f.runPlatform().bootFile = "gone.s19"; },
                   RunOutcome::BootFailed, MessageId::BootFileMissing, "file gone.s19 not found", {}, false},
        FailureRow{"boot file too small",
                   [](FlashRunFailure& f) { f.workDir().write("boot.s19", radio::SRecordImage(0, Pattern(1024, 1), 64)); },
                   RunOutcome::BootFailed, MessageId::BootWrongSize, "the boot file holds 1024 data bytes, not 1025",
                   {}, false},
        FailureRow{"no echo", [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.noEcho = true; })); },
                   RunOutcome::BootFailed, MessageId::BootNotTransferred, "no echo within 4 s of the last boot byte",
                   {}},
        FailureRow{"no version", [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.noVersion = true; })); },
                   RunOutcome::BootFailed, MessageId::BootNoVersion, "no version reply within 3 s", {}},
        FailureRow{"bad version checksum",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.badVersionChecksum = true; })); },
                   RunOutcome::BootFailed, MessageId::BootNotTransferred, "version reply checksum $32, expected $31",
                   {}},
        FailureRow{"Erase CONFIG refused",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.refuseOpcode = 0x31; })); },
                   RunOutcome::ConfigFailed, MessageId::EraseConfigFailed,
                   "command not accepted (byte 3 was $7E, not $7F)", kBootBoxes},
        FailureRow{"stray byte before the first acknowledgement",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.strayByte = true; })); },
                   RunOutcome::ConfigFailed, MessageId::EraseConfigFailed,
                   "acknowledgement checksum $7F, expected $31", kBootBoxes},
        FailureRow{"Program CONFIG garbled",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.garbleAckOpcode = 0x32; })); },
                   RunOutcome::ConfigFailed, MessageId::ProgramConfigFailed,
                   "acknowledgement checksum $EB, expected $B1", kBootBoxes},
        FailureRow{"Erase EEPROM refused",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.refuseOpcode = 0x1F; })); },
                   RunOutcome::EepromFailed, MessageId::EraseEepromFailed,
                   "command not accepted (byte 3 was $7E, not $7F)", kConfigBoxes},
        FailureRow{"EEPROM file missing", [](FlashRunFailure& f) { f.runPlatform().eepromFile = "ee.s19"; },
                   RunOutcome::EepromFailed, MessageId::EepromFileMissing, "file ee.s19 not found", {}, false},
        FailureRow{"EEPROM line error",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.wrongBlockSum = {1}; })); },
                   RunOutcome::EepromFailed, MessageId::EepromLineErrors,
                   "block $0: the radio's sum $89 differs from $88", kConfigBoxes},
        FailureRow{"Erase ROM refused",
                   [](FlashRunFailure& f) { f.radioWith(withFaults([](auto& x) { x.refuseOpcode = 0x05; })); },
                   RunOutcome::FlashFailed, MessageId::EraseRomFailed, "command not accepted (byte 3 was $7E, not $7F)",
                   kEepromBoxes},
        FailureRow{"firmware file missing", [](FlashRunFailure& f) { f.runPlatform().firmwareFile = "fw.s19"; },
                   RunOutcome::FlashFailed, MessageId::FirmwareFileMissing, "file fw.s19 not found", {}, false},
        FailureRow{"FLASH line error, operator cancels",
                   [](FlashRunFailure& f) {
                       f.radioWith(withFaults([](auto& x) { x.wrongBlockSum = {2}; }));
                       f.recorder().answers = {Answer::GoOn, Answer::Stop};
                   },
                   RunOutcome::FlashFailed, MessageId::FlashLineErrors,
                   "block $8000: the radio's sum $C1 differs from $C0", kEepromBoxes},
        FailureRow{"firmware without end record",
                   [](FlashRunFailure& f) {
                       f.workDir().write("main.s19", radio::SRecord('1', 0x8000, Pattern(16, 1)) + "\r\n");
                   },
                   RunOutcome::FlashFailed, MessageId::FlashFailed, "File main.s19 ends without an end record.",
                   {}, false},
        FailureRow{"device gone during the FLASH stage", [](FlashRunFailure& f) { f.fakePort().failAtSeconds = 4.2; },
                   RunOutcome::SerialFailed, MessageId::PortFailed, "The device is gone (MSComm1 error 8020)",
                   kEepromBoxes}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.why))
            if (std::isalnum(static_cast<unsigned char>(c)))
                name += c;
        return name;
    });

TEST_F(FlashRun, PausesLastOneTimerIntervalFromTheirOwnStart)
{
    run();
    std::vector<double> packetTimes;
    for (const testkit::WriteRecord& w : port.writes)
        if (w.bytes.size() == 5 && (w.bytes[0] == 0x31 || w.bytes[0] == 0x32 || w.bytes[0] == 0x1F || w.bytes[0] == 0x05))
            packetTimes.push_back(w.at);
    ASSERT_EQ(packetTimes.size(), 4u);
    // Acknowledgement after 20 ms, then 500 ms.
    EXPECT_NEAR(packetTimes[1] - packetTimes[0], 0.52, 1e-9);
    EXPECT_NEAR(packetTimes[2] - packetTimes[1], 0.52, 1e-9);
}

// A firmware image with no data records programs nothing; its checksum box
// shows $00, not the EEPROM image's bytes left from the stage before.
TEST_F(FlashRun, FirmwareWithoutDataShowsNoOtherImagesChecksum)
{
    dir.write("main.s19", "S00600004844521B\r\nS9030000FC\r\n");
    EXPECT_EQ(run(), RunOutcome::Success);
    EXPECT_EQ(host.result(ResultBox::EepromCsum), checksumText(kEeprom));
    EXPECT_EQ(host.result(ResultBox::FirmwareCsum), "$00");
    EXPECT_EQ(ctx.report.firmwareChecksum, std::nullopt);
}

// A file the run cannot program names its fault where the connection hint
// would stand: the cables are not to blame.
TEST_F(FlashRun, FileFaultTakesTheHintsPlace)
{
    dir.write("main.s19", radio::SRecord('1', 0x8000, Pattern(16, 1)) + "\r\n");
    EXPECT_EQ(run(), RunOutcome::FlashFailed);
    EXPECT_EQ(host.failures().at(0).message.text, "FLASH Failed.\rFile main.s19 ends without an end record.");
}

// A stop at the reset prompt, whether the run is cancelled or the operator
// answers stop: no box after it, and the closing steps.
enum class StopBy { Cancelling, AnsweringStop };

void PrintTo(StopBy by, std::ostream* out)
{
    *out << (by == StopBy::Cancelling ? "Cancelling" : "AnsweringStop");
}

class StopAtTheResetPrompt : public FlashRun, public ::testing::WithParamInterface<StopBy> {};

TEST_P(StopAtTheResetPrompt, LeavesQuietly)
{
    if (GetParam() == StopBy::Cancelling)
        host.onMessage = [this](const Message&) { stop.request_stop(); };
    else
        host.answers = {Answer::Stop};
    EXPECT_EQ(run(), RunOutcome::Cancelled);
    EXPECT_EQ(host.messageIds(), std::vector{MessageId::ResetRadio}) << "no box after the stop";
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(host.progress().back(), 0);
    EXPECT_EQ(port.writes.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(CancelledOrAnswered, StopAtTheResetPrompt,
                         ::testing::Values(StopBy::Cancelling, StopBy::AnsweringStop),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

TEST_F(FlashRun, OpenPortOnTheRightNumberIsUsedAsItIs)
{
    port.open();
    EXPECT_EQ(run(), RunOutcome::Success);
    EXPECT_EQ(port.opens, 1);

    testkit::FakeSerialPort other(clock);
    other.choosePort(link::CommEntry{2});
    other.open();
    testkit::ScriptedRadio otherRadio(other);
    EXPECT_EQ(RunFlash(request, other, clock, host, stop.get_token()).outcome, RunOutcome::Success);
    EXPECT_EQ(other.opens, 2) << "closed, renumbered and opened again";
    EXPECT_EQ(other.portChoice(), link::PortChoice{link::CommEntry{1}});
}

} // namespace
} // namespace zorvane

namespace zorvane {
namespace {

// What the run tells its recorder, and when.
struct HeardRecorder final : RunRecorder {
    void outcomeDecided(const RunRequest&, const RunReport& report) override { heard.push_back(report); }
    std::vector<RunReport> heard;
};

// The images are read once, before the port opens: a file replaced while
// the operator resets the radio changes neither the bytes sent nor the
// record, and a stop while the success box is up changes no outcome.
TEST_F(FlashRun, ImagesAreReadOnceAndTheOutcomeIsKeptBeforeItsBox)
{
    HeardRecorder recorder;
    RunContext recorded(request, port, clock, host, stop.get_token(), &recorder);
    const std::string original = radio::SRecordImage(0x8000, kFirmware, 32);
    host.onMessage = [&](const Message& message) {
        if (message.id == MessageId::ResetRadio)
            dir.write("main.s19", radio::SRecordImage(0x8000, Pattern(160, 0x99), 32));
        if (message.id == MessageId::Success) {
            ASSERT_EQ(recorder.heard.size(), 1u) << "recorded before the box";
            stop.request_stop();
        }
    };
    EXPECT_EQ(cmdBeginFlash_Click(recorded), RunOutcome::Success);
    EXPECT_EQ(recorded.report.firmwareChecksum, (ImageChecksum{kFirmware[0], kFirmware[1]}));
    const Bytes sent = port.allBytesWritten();
    EXPECT_NE(std::search(sent.begin(), sent.end(), kFirmware.begin(), kFirmware.begin() + 128), sent.end());

    ASSERT_EQ(recorder.heard.size(), 1u);
    const RunReport& heard = recorder.heard[0];
    EXPECT_EQ(heard.outcome, RunOutcome::Success);
    EXPECT_EQ(heard.cause, "");
    EXPECT_EQ(heard.images->firmware.file.sha256, files::Sha256Hex(original));
    files::Sha256 data;
    data.update(kFirmware);
    EXPECT_EQ(heard.images->firmware.dataSha256, data.hexDigest());
}

// Radios of one command share one reading of the images: a file changed or
// gone after it is read changes nothing that any of them gets.
TEST_F(FlashRun, ImagesReadOnceServeEveryRunGiven)
{
    const auto read = std::make_shared<const RunImagesRead>(RunImagesRead{ReadRunImages(platform())});
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<const RunImages>>(read->read));
    std::filesystem::remove("main.s19");
    request.imagesRead = read;
    EXPECT_EQ(run(), RunOutcome::Success);
    EXPECT_EQ(ctx.report.images, std::get<std::shared_ptr<const RunImages>>(read->read));
}

// A damaged or missing image stops the run before the port opens: the
// radio is never touched, whichever image it is.
TEST_F(FlashRun, UnusableImageTouchesNoRadio)
{
    const std::string badDigit = "S1130000G00102030405060708090A0B0C0D0E0F74\r\nS9030000FC\r\n";
    const struct Case {
        const char* file;
        std::string text;   // empty: the file is missing
        RunOutcome outcome;
        MessageId message;
        std::string cause;
    } cases[] = {
        {"boot.s19", badDigit, RunOutcome::BootFailed, MessageId::BootNotTransferred,
         "boot.s19 line 1: \"G\" at column 9 is not a hexadecimal digit"},
        {"eeprom.s19", badDigit, RunOutcome::EepromFailed, MessageId::EepromFailed,
         "eeprom.s19 line 1: \"G\" at column 9 is not a hexadecimal digit"},
        {"main.s19", "S1130000000102030405060708090A0B0C0D0E0F75\r\nS9030000FC\r\n", RunOutcome::FlashFailed,
         MessageId::FlashFailed, "main.s19 line 1: checksum $75, the line's bytes give $74"},
        {"main.s19", "", RunOutcome::FlashFailed, MessageId::FirmwareFileMissing, "file main.s19 not found"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.text.empty())
            std::filesystem::remove(dir.path() / c.file);
        else
            dir.write(c.file, c.text);
        testkit::RecordingHost caseHost;
        RunContext fresh(request, port, clock, caseHost, stop.get_token());
        EXPECT_EQ(cmdBeginFlash_Click(fresh), c.outcome) << c.cause;
        EXPECT_EQ(port.opens, 0) << c.cause;
        EXPECT_TRUE(port.writes.empty()) << c.cause;
        ASSERT_EQ(caseHost.failures().size(), 1u) << c.cause;
        EXPECT_EQ(caseHost.failures()[0].message.id, c.message) << c.cause;
        EXPECT_EQ(caseHost.failures()[0].cause, c.cause);
    }
}

} // namespace
} // namespace zorvane

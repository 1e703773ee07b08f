// The real binaries over a real pseudo-terminal: zorvane-flash against
// zorvane-radiosim, checked by what the simulated radio holds afterwards.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <thread>

#include "e2e/process.h"
#include "kit/signing_keys.h"
#include "kit/temp_dir.h"
#include "srec_memory.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using testkit::Process;
using testkit::ProcessResult;

constexpr auto kRunLimit = 60s;

struct Platform {
    const char* name;
    const char* firmware;
    const char* eeprom;   // nullptr: no EEPROM image
    const char* config;
};

const Platform kPellamar{"pellamar", "pellamar.s19", "pellamar_ee.s19", "3F"};
const Platform kTessivar{"tessivar", "tessivar.s19", nullptr, "A5"};
const Platform kOther{"other", "firmware.s19", "eeprom.s19", "00"};

void PrintTo(const Platform& platform, std::ostream* out)
{
    *out << platform.name;
}

class FlashAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        Process make({ZORVANE_MAKE_DEMO, dir.path().string()}, dir.path().string());
        ASSERT_EQ(make.wait(30s).exitCode, 0);
    }

    // Starts the simulator with extra arguments and waits until it serves.
    void startSimulator(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{ZORVANE_RADIOSIM, "--link", link(), "--runs", "1", "--dump", "radio",
                                      "--log", "radio.log"};
        args.insert(args.end(), extra.begin(), extra.end());
        simulator.emplace(args, dir.path().string());
        served = simulator->readLine(10s);
        ASSERT_EQ(served.rfind("/dev/pts/", 0), 0u) << "the simulator did not start";
    }

    ProcessResult flash(const std::string& platform, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{ZORVANE_FLASH, "--port", link(), "--platform", platform, "--yes"};
        args.insert(args.end(), extra.begin(), extra.end());
        Process flasher(args, dir.path().string());
        return flasher.wait(kRunLimit);
    }

    std::string link() const { return (dir.path() / "ttyRADIO").string(); }

    // The run's flash record holds its fault as kind and facts (fields: the
    // record's text from "kind" on), and the record is what its schema says.
    void expectFaultRecorded(const std::string& records, const std::string& fields)
    {
        std::ifstream in(dir.path() / records);
        std::string line;
        std::getline(in, line);
        EXPECT_NE(line.find("\"fault\":{\"kind\":\"" + fields), std::string::npos) << line;
        Process validate({"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                          ZORVANE_SOURCE_DIR "/docs/flash-record.schema.json", (dir.path() / records).string()},
                         dir.path().string());
        const ProcessResult validated = validate.wait(30s);
        EXPECT_EQ(validated.exitCode, 0) << validated.output;
    }

    // The radio must hold exactly what the image says.
    void expectRadioHolds(const std::string& image, const std::string& dumped)
    {
        const auto expected = radio::ReadSRecordMemory((dir.path() / image).string());
        const auto actual = radio::ReadSRecordMemory((dir.path() / "radio" / dumped).string());
        ASSERT_TRUE(expected && actual) << image;
        EXPECT_EQ(radio::FirstDifference(*expected, *actual), "") << image;
    }

    std::string dumpedConfig() const
    {
        std::ifstream in(dir.path() / "radio" / "config.txt");
        std::string value;
        in >> value;
        return value;
    }

    testkit::TempDir dir;
    std::optional<Process> simulator;
    std::string served;   // the pseudo-terminal the simulator serves
};

class FullRun : public FlashAgainstSimulator, public ::testing::WithParamInterface<Platform> {};

TEST_P(FullRun, RadioHoldsTheImagesAndTheConfigByte)
{
    const Platform& p = GetParam();
    startSimulator();
    const ProcessResult run = flash(p.name);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("[ZORVANE] Programming Successful!"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Boot Version:       R1.0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(std::string("CONFIG Value:       $") + p.config), std::string::npos) << run.output;
    EXPECT_EQ(simulator->wait(10s).exitCode, 0) << "the simulator counts the run and ends";

    expectRadioHolds(p.firmware, "flash.s19");
    if (p.eeprom != nullptr)
        expectRadioHolds(p.eeprom, "eeprom.s19");
    else
        EXPECT_EQ(radio::ReadSRecordMemory((dir.path() / "radio" / "eeprom.s19").string())->size(), 0u);
    EXPECT_EQ(dumpedConfig(), p.config);
}

INSTANTIATE_TEST_SUITE_P(EachPlatform, FullRun, ::testing::Values(kPellamar, kTessivar, kOther),
                         [](const auto& info) { return std::string(info.param.name); });

struct FaultRow {
    const char* name;
    std::vector<std::string> simulatorArgs;
    std::vector<std::string> flashArgs;
    int exitCode;
    std::string message;
    std::string cause;   // how the cause line begins; empty: the message's second line says it
    std::string fault;   // how the record's fault begins, from its kind on
};

void PrintTo(const FaultRow& row, std::ostream* out)
{
    *out << row.name;
}

class Fault : public FlashAgainstSimulator, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(Fault, EndsWithItsMessageAndExitCode)
{
    const FaultRow& row = GetParam();
    startSimulator(row.simulatorArgs);
    std::vector<std::string> flashArgs = row.flashArgs;
    flashArgs.insert(flashArgs.end(), {"--trace", "trace.txt", "--record", "fault.jsonl"});
    const ProcessResult run = flash("tessivar", flashArgs);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, row.exitCode) << run.output;
    EXPECT_NE(run.output.find(row.message), std::string::npos) << run.output;
    if (!row.cause.empty())
        EXPECT_NE(run.output.find("\n  cause: " + row.cause), std::string::npos) << run.output;
    else
        EXPECT_EQ(run.output.find("\n  cause: "), std::string::npos) << "no line repeats the message\n" << run.output;
    EXPECT_EQ(run.output.find("Programming Successful!"), std::string::npos) << run.output;
    std::ifstream trace(dir.path() / "trace.txt");
    const std::string traced((std::istreambuf_iterator<char>(trace)), std::istreambuf_iterator<char>());
    EXPECT_NE(traced.find("# cause: " + row.cause), std::string::npos) << "the trace keeps the cause";
    expectFaultRecorded("fault.jsonl", row.fault);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStage, Fault,
    ::testing::Values(
        FaultRow{"LateEcho", {"--fault", "echo-delay=3.5"}, {}, 5, "[Bootload Error] Could not transfer boot file to radio.",
                 "echo 3.", "echo-late\",\"seconds\":3."},
        FaultRow{"NoEcho", {"--fault", "no-echo"}, {}, 5, "[Bootload Error] Could not transfer boot file to radio.",
                 "no echo within 4 s of the last boot byte", "echo-missing\",\"received\":5}"},   // the version reply, where the echo was awaited
        FaultRow{"ShortEcho", {"--fault", "short-echo=100"}, {}, 5,
                 "[Bootload Error] Could not transfer boot file to radio.", "no echo within 4 s of the last boot byte",
                 "echo-missing\",\"received\":105}"},
        FaultRow{"BadEcho", {"--fault", "bad-echo=17"}, {}, 5, "[Bootload Error] Could not transfer boot file to radio.",
                 "echo byte 17 differs", "echo-differs\",\"byte\":17,\"sent\":\""},
        FaultRow{"NoVersion", {"--fault", "no-version"}, {}, 5,
                 "[Bootload Error] Version number NOT received from Boot code.", "no version reply within 3 s",
                 "no-version\"}"},
        FaultRow{"BadVersionChecksum", {"--fault", "bad-version-checksum"}, {}, 5,
                 "[Bootload Error] Could not transfer boot file to radio.", "version reply checksum $",
                 "version-sum\",\"got\":\""},
        FaultRow{"RefusedEraseConfig", {"--fault", "refuse=31"}, {}, 6, "[CONFIG Error] Erase CONFIG command failed.",
                 "command not accepted (byte 3 was $7E, not $7F)",
                 "command-refused\",\"opcode\":\"31\",\"reply\":\"3100007E"},
        FaultRow{"GarbledAckProgramConfig", {"--fault", "garble-ack=32"}, {}, 6,
                 "[CONFIG Error] Program CONFIG command failed.", "acknowledgement checksum $",
                 "command-sum\",\"opcode\":\"32\""},
        FaultRow{"NoAckEraseConfig", {"--fault", "no-ack=31"}, {}, 6, "[CONFIG Error] Erase CONFIG command failed.",
                 "no acknowledgement within", "command-no-reply\",\"opcode\":\"31\"}"},
        FaultRow{"RefusedEraseRom", {"--fault", "refuse=05"}, {}, 8, "[FLASH Error] Erase ROM command failed.",
                 "command not accepted (byte 3 was $7E, not $7F)", "command-refused\",\"opcode\":\"05\""},
        FaultRow{"AckForAnotherOpcode", {"--fault", "wrong-ack-opcode=05"}, {}, 8,
                 "[FLASH Error] Erase ROM command failed.", "acknowledgement for opcode $85",
                 "command-wrong-opcode\",\"opcode\":\"05\",\"reply\":\"85"},
        FaultRow{"WrongBlockSumCancelled", {"--fault", "wrong-block-sum=3"}, {"--on-line-error", "cancel"}, 8,
                 "[FLASH Error] FLASH Failed.  Line Errors occured.", "block $",
                 "block-sum\",\"address\":\"8100\",\"expected\":\""},
        FaultRow{"BlockNeverAcknowledged", {"--fault", "drop-block-ack=3:4"}, {"--on-line-error", "cancel"}, 8,
                 "[FLASH Error] FLASH Failed.  Line Errors occured.", "block $8100: no acknowledgement after 3 resends",
                 "block-no-ack\",\"address\":\"8100\",\"resends\":3}"},
        FaultRow{"BlockAcknowledgedGarbled", {"--fault", "bad-block-ack=3:4"}, {"--on-line-error", "cancel"}, 8,
                 "[FLASH Error] FLASH Failed.  Line Errors occured.",
                 "block $8100: no valid acknowledgement after 3 resends",
                 "block-invalid\",\"address\":\"8100\",\"resends\":3}"},
        FaultRow{"DisconnectMidImage", {"--fault", "disconnect-after=9000"}, {}, 4, "[Comm Error] Comm Port error occured.",
                 "", "port-failed\",\"number\":"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashAgainstSimulator, LostBlockAcknowledgementIsRecoveredByAResend)
{
    startSimulator({"--fault", "drop-block-ack=2"});
    const ProcessResult run = flash("tessivar", {"--trace", "trace.txt"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(simulator->wait(10s).exitCode, 0);
    expectRadioHolds("tessivar.s19", "flash.s19");
}

TEST_F(FlashAgainstSimulator, NobodyToAnswerTheResetPromptStopsTheRun)
{
    startSimulator();
    Process flasher({ZORVANE_FLASH, "--port", link(), "--platform", "pellamar"}, dir.path().string());
    const ProcessResult run = flasher.wait(kRunLimit);
    EXPECT_EQ(run.exitCode, 9) << run.output;
    EXPECT_NE(run.output.find("No answer to the reset prompt"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("[Bootload Error]"), std::string::npos) << "no box after the stop";
}

TEST_F(FlashAgainstSimulator, InterruptStopsTheRunAndLetsGoOfThePort)
{
    startSimulator({"--fault", "no-version"});
    Process flasher({ZORVANE_FLASH, "--port", link(), "--platform", "pellamar", "--yes", "--record", "stopped.jsonl"},
                    dir.path().string());
    for (std::string line = flasher.readLine(20s); line.find("== Boot loading") == std::string::npos;
         line = flasher.readLine(20s))
        ASSERT_FALSE(line.empty()) << "the run never reached the boot stage";
    const auto interrupted = std::chrono::steady_clock::now();
    flasher.signal(SIGINT);
    const ProcessResult run = flasher.wait(kRunLimit);
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 2s) << "stopping takes no wait to its end";
    EXPECT_EQ(run.exitCode, 9) << run.output;
    EXPECT_EQ(run.output.find("[Bootload Error]"), std::string::npos) << run.output;
    EXPECT_EQ(simulator->wait(10s).exitCode, 0) << "the port was closed: the simulator saw the run end";
    expectFaultRecorded("stopped.jsonl", "stopped\"}");
}

// What the flasher writes on its terminal until text appears (or 20 s pass).
std::string readUntil(int terminal, const std::string& text, std::string& seen)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            break;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return seen;
}

// A scanner's misfire (an empty line) and a label scanned twice are asked
// again: every radio of the command gets its own label.
TEST_F(FlashAgainstSimulator, AskedLabelsNameOneRadioEach)
{
    int terminal = -1;
    const pid_t flasher = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(flasher, 0);
    if (flasher == 0) {
        if (::chdir(dir.path().c_str()) == 0)
            ::execl(ZORVANE_FLASH, ZORVANE_FLASH, "--port", "/dev/zorvane-a", "--port", "/dev/zorvane-b", "--platform",
                    "tessivar", "--yes", "--ask-unit", "--unit-pattern", "SN-[0-9]", "--record", "labels.jsonl",
                    static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    const auto answer = [&](const std::string& prompt, const std::string& line) {
        readUntil(terminal, prompt, seen);
        seen.clear();
        ASSERT_EQ(::write(terminal, (line + "\r").c_str(), line.size() + 1), static_cast<ssize_t>(line.size() + 1));
    };
    answer("Unit on /dev/zorvane-a (scan or type its label, then Enter): ", "");
    EXPECT_NE(readUntil(terminal, "Unit on /dev/zorvane-a", seen).find("No label read: scan or type it again."),
              std::string::npos)
        << seen;
    answer("then Enter): ", "XSN-1");
    EXPECT_NE(readUntil(terminal, "Unit on /dev/zorvane-a", seen)
                  .find("XSN-1 does not match the unit pattern SN-[0-9]: scan or type it again."),
              std::string::npos)
        << seen;
    answer("then Enter): ", "SN-1");
    answer("Unit on /dev/zorvane-b (scan or type its label, then Enter): ", "SN-1");
    EXPECT_NE(readUntil(terminal, "Unit on /dev/zorvane-b", seen)
                  .find("SN-1 is the unit on /dev/zorvane-a already: a label names one radio."),
              std::string::npos)
        << seen;
    answer("then Enter): ", "SN-2");
    readUntil(terminal, "no such device", seen);
    int status = 0;
    ASSERT_EQ(::waitpid(flasher, &status, 0), flasher);
    ::close(terminal);
    EXPECT_EQ(WEXITSTATUS(status), 4) << "both ports are missing";
    std::ifstream records(dir.path() / "labels.jsonl");
    const std::string written((std::istreambuf_iterator<char>(records)), std::istreambuf_iterator<char>());
    EXPECT_NE(written.find("\"unit\":\"SN-1\""), std::string::npos) << written;
    EXPECT_NE(written.find("\"unit\":\"SN-2\""), std::string::npos) << written;

    Process given({ZORVANE_FLASH, "--port", "/dev/zorvane-a", "--platform", "tessivar", "--yes", "--unit-pattern",
                   "SN-[0-9]", "--unit", "SN-12"},
                  dir.path().string());
    const ProcessResult refused = given.wait(kRunLimit);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.output.find("zorvane-flash: --unit: SN-12 does not match the unit pattern SN-[0-9]\n"),
              std::string::npos)
        << refused.output;
}

// A folder named for the records must be there: a typo never moves a
// bench's records elsewhere.
TEST_F(FlashAgainstSimulator, RecordsIntoAMissingFolderAreRefused)
{
    Process flasher({ZORVANE_FLASH, "--port", "/dev/zorvane-none", "--platform", "tessivar", "--yes", "--record",
                     "nofolder/r.jsonl"},
                    dir.path().string());
    const ProcessResult refused = flasher.wait(kRunLimit);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.output.find("zorvane-flash: --record: there is no folder nofolder"), std::string::npos)
        << refused.output;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "nofolder"));
}

TEST_F(FlashAgainstSimulator, MissingPortIsAPortError)
{
    Process flasher({ZORVANE_FLASH, "--port", "/dev/zorvane-none", "--platform", "pellamar", "--yes", "--record",
                     "missing.jsonl"},
                    dir.path().string());
    const ProcessResult run = flasher.wait(kRunLimit);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.output.find("[Comm Error] Zorvane was unable to open Comm Port.\n"
                              "  cause: /dev/zorvane-none: no such device; see zorvane-flash --list-ports"),
              std::string::npos)
        << run.output;
    expectFaultRecorded("missing.jsonl", "port-missing\",\"number\":8012,");

    Process notSerial({ZORVANE_FLASH, "--port", "/dev/null", "--platform", "pellamar", "--yes", "--record",
                       "null.jsonl"},
                      dir.path().string());
    EXPECT_EQ(notSerial.wait(kRunLimit).exitCode, 4);
    expectFaultRecorded("null.jsonl", "port-error\",\"number\":8010,\"errno\":25,\"device\":\"/dev/null\"}");
}

// A radio that never echoes keeps its port for four seconds: a second
// flasher on the same device, under its own name, hears who holds it.
TEST_F(FlashAgainstSimulator, HeldPortNamesItsHolder)
{
    startSimulator({"--fault", "no-echo"});
    Process first({ZORVANE_FLASH, "--port", "./ttyRADIO", "--platform", "tessivar", "--yes", "--no-record"},
                  dir.path().string());
    std::string line;
    while ((line = first.readLine(10s)).find("== Boot loading") == std::string::npos)
        ASSERT_FALSE(line.empty()) << "the first run never reached the boot stage";
    for (const std::string& name : {link(), served}) {
        Process second({ZORVANE_FLASH, "--port", name, "--platform", "tessivar", "--yes", "--record", "held.jsonl"},
                       dir.path().string());
        const ProcessResult refused = second.wait(kRunLimit);
        EXPECT_EQ(refused.exitCode, 4) << refused.output;
        EXPECT_NE(refused.output.find("[Comm Error] Comm Port already in use.\n  cause: " + name +
                                      ": held by zorvane-flash (process "),
                  std::string::npos)
            << refused.output;
        expectFaultRecorded("held.jsonl", "port-busy\",\"number\":8005,");
        std::ifstream held(dir.path() / "held.jsonl");
        const std::string record((std::istreambuf_iterator<char>(held)), std::istreambuf_iterator<char>());
        EXPECT_NE(record.find("\"holder\":\"zorvane-flash\",\"pid\":"), std::string::npos) << record;
        std::filesystem::remove(dir.path() / "held.jsonl");
    }
    EXPECT_EQ(first.wait(kRunLimit).exitCode, 5);
}

// Two benches in two folders, each on its own ./ttyRADIO: two ports.
TEST_F(FlashAgainstSimulator, SameLinkNameInTwoFoldersIsTwoPorts)
{
    startSimulator({"--fault", "no-echo"});
    Process first({ZORVANE_FLASH, "--port", "./ttyRADIO", "--platform", "tessivar", "--yes", "--no-record"},
                  dir.path().string());
    for (std::string line = first.readLine(10s); line.find("== Boot loading") == std::string::npos;
         line = first.readLine(10s))
        ASSERT_FALSE(line.empty()) << "the first run never reached the boot stage";
    const std::filesystem::path other = dir.path() / "bench2";
    std::filesystem::create_directory(other);
    ASSERT_EQ(Process({ZORVANE_MAKE_DEMO, other.string()}, other.string()).wait(30s).exitCode, 0);
    Process radio({ZORVANE_RADIOSIM, "--link", "./ttyRADIO", "--runs", "1"}, other.string());
    ASSERT_EQ(radio.readLine(10s).rfind("/dev/pts/", 0), 0u);
    Process second({ZORVANE_FLASH, "--port", "./ttyRADIO", "--platform", "tessivar", "--yes", "--no-record"},
                   other.string());
    const ProcessResult run = second.wait(kRunLimit);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Status: ./ttyRADIO"), std::string::npos) << "shown as the operator named it\n" << run.output;
    EXPECT_EQ(first.wait(kRunLimit).exitCode, 5);
}

// --check reads what a run would read and touches no port: it refuses one,
// and the simulator hears nothing.
TEST_F(FlashAgainstSimulator, CheckOpensNoPort)
{
    startSimulator();
    Process withPort({ZORVANE_FLASH, "--check", "--port", link(), "--platform", "pellamar"}, dir.path().string());
    const ProcessResult portRefused = withPort.wait(kRunLimit);
    EXPECT_EQ(portRefused.exitCode, 2);
    EXPECT_NE(portRefused.output.find("--check opens no port: it does not take --port"), std::string::npos)
        << portRefused.output;
    Process good({ZORVANE_FLASH, "--check", "--platform", "pellamar"}, dir.path().string());
    const ProcessResult checked = good.wait(kRunLimit);
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    for (const char* part : {"2048 data bytes at $0-$7FF in 16 blocks, data sha256 ",
                             "32768 data bytes at $8000-$FFFF in 256 blocks, data sha256 ",
                             "Expected time on a 7600-baud line: ", "A run could start.\n"})
        EXPECT_NE(checked.output.find(part), std::string::npos) << part << "\n" << checked.output;

    std::ofstream(dir.path() / "broken.cfg") << "boot: boot.s19\nsrecord: missing.s19\nconfig: 42\n";
    Process broken({ZORVANE_FLASH, "--check", "--config", "broken.cfg"}, dir.path().string());
    const ProcessResult refused = broken.wait(kRunLimit);
    EXPECT_EQ(refused.exitCode, 8) << refused.output;
    EXPECT_NE(refused.output.find("[FLASH Error] File: missing.s19 DOES NOT exist."), std::string::npos)
        << refused.output;

    // One digit of the firmware turned into a G: --check and a run refuse it
    // alike, before the port opens, naming the file's line.
    std::ifstream original(dir.path() / "pellamar.s19");
    std::string firmware((std::istreambuf_iterator<char>(original)), std::istreambuf_iterator<char>());
    const std::size_t second = firmware.find('\n') + 1;
    firmware[second + 9] = 'G';
    std::ofstream(dir.path() / "damaged.s19") << firmware;
    std::ofstream(dir.path() / "damaged.cfg") << "boot: boot.s19\nsrecord: damaged.s19\neprom: pellamar_ee.s19\nconfig: 42\n";
    const std::string fault = "damaged.s19 line 2: \"G\" at column 10 is not a hexadecimal digit";
    Process checkDamaged({ZORVANE_FLASH, "--check", "--config", "damaged.cfg"}, dir.path().string());
    const ProcessResult checkedDamaged = checkDamaged.wait(kRunLimit);
    EXPECT_EQ(checkedDamaged.exitCode, 8) << checkedDamaged.output;
    EXPECT_NE(checkedDamaged.output.find("damaged.cfg line 3: unknown key \"eprom\" (did you mean \"eeprom\"?)"),
              std::string::npos)
        << checkedDamaged.output;
    Process runDamaged({ZORVANE_FLASH, "--port", link(), "--config", "damaged.cfg", "--yes", "--record", "damaged.jsonl"},
                       dir.path().string());
    const ProcessResult ranDamaged = runDamaged.wait(kRunLimit);
    EXPECT_EQ(ranDamaged.exitCode, 8) << ranDamaged.output;
    for (const ProcessResult* result : {&checkedDamaged, &ranDamaged})
        EXPECT_NE(result->output.find("[FLASH Error] FLASH Failed.\n" + fault + "\n"), std::string::npos)
            << result->output;
    Process validate({"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                      ZORVANE_SOURCE_DIR "/docs/flash-record.schema.json", (dir.path() / "damaged.jsonl").string()},
                     dir.path().string());
    const ProcessResult validated = validate.wait(30s);
    EXPECT_EQ(validated.exitCode, 0) << validated.output;

    simulator->signal(SIGTERM);
    simulator->wait(10s);
    std::ifstream log(dir.path() / "radio.log");
    const std::string heard((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(heard.find("PC>"), std::string::npos) << heard;
}

// What comes from the files is checked whole before any port opens: one
// changed character of a record's type or "S" is refused with its line, a
// control character in a value or a name never reaches the terminal raw, a
// DOS end-of-file character ends an image, and a FIFO is refused unopened.
TEST_F(FlashAgainstSimulator, InputsThatCannotLie)
{
    std::ifstream original(dir.path() / "pellamar.s19");
    const std::string firmware((std::istreambuf_iterator<char>(original)), std::istreambuf_iterator<char>());
    std::size_t line500 = 0;
    for (int line = 1; line < 500; ++line)
        line500 = firmware.find('\n', line500) + 1;
    const auto check = [&](const std::string& image, const std::string& config = "pellamar.s19") {
        std::ofstream(dir.path() / "image.s19", std::ios::binary) << image;
        std::ofstream(dir.path() / "check.cfg") << "boot: boot.s19\nsrecord: " << config << "\nconfig: 42\n";
        Process p({ZORVANE_FLASH, "--check", "--config", "check.cfg"}, dir.path().string());
        return p.wait(10s);
    };
    const struct Change {
        std::size_t at;
        char to;
        std::string fault;
    } changes[] = {
        {line500 + 1, 'X', "image.s19 line 500: \"X\" at column 2 is not a record type"},
        {line500 + 1, '4', "image.s19 line 500: there is no S4 record type"},
        {line500 + 1, '9', "image.s19 line 500: the count $23 gives the S9 record 32 data bytes, where it carries none"},
        {line500 + 1, '0', "image.s19 line 500: an S0 header record after the data records"},
        {line500, 'T', "image.s19 line 500: the line reads as an S1 record whose first character is \"T\""},
    };
    for (const Change& change : changes) {
        std::string changed = firmware;
        changed[change.at] = change.to;
        const ProcessResult refused = check(changed, "image.s19");
        EXPECT_EQ(refused.exitCode, 8) << refused.output;
        EXPECT_NE(refused.output.find("[FLASH Error] FLASH Failed.\n" + change.fault + "\n"), std::string::npos)
            << refused.output;
    }
    // A run reads the same image and records what is wrong with it, before any port opens.
    std::string changed = firmware;
    changed[line500 + 1] = 'X';
    std::ofstream(dir.path() / "image.s19", std::ios::binary) << changed;
    Process run({ZORVANE_FLASH, "--config", "check.cfg", "--port", "/dev/zorvane-none", "--yes", "--record",
                 "image.jsonl"},
                dir.path().string());
    EXPECT_EQ(run.wait(10s).exitCode, 8);
    expectFaultRecorded("image.jsonl", "image\",\"file\":\"image.s19\",\"line\":500,\"fault\":\"record-type\"}");

    const ProcessResult dos = check(firmware + "\x1A", "image.s19");
    EXPECT_EQ(dos.exitCode, 0) << dos.output;

    const ProcessResult escaped = check(firmware, "main\x1b]0;PWNED\x07\x1b[2J.s19");
    EXPECT_EQ(escaped.exitCode, 3) << escaped.output;
    EXPECT_NE(escaped.output.find("check.cfg line 2: the srecord value holds character $1B"), std::string::npos)
        << escaped.output;
    Process named({ZORVANE_FLASH, "--check", "--config", "gone\x1b[2J.cfg"}, dir.path().string());
    const ProcessResult missing = named.wait(10s);
    EXPECT_EQ(missing.exitCode, 3) << missing.output;
    EXPECT_NE(missing.output.find("File: gone\\x1b[2J.cfg DOES NOT exist."), std::string::npos) << missing.output;
    for (const ProcessResult* result : {&escaped, &missing})
        EXPECT_EQ(result->output.find('\x1b'), std::string::npos) << result->output;

    ASSERT_EQ(::mkfifo((dir.path() / "fifo.s19").c_str(), 0600), 0);
    const ProcessResult fifo = check(firmware, "fifo.s19");
    EXPECT_EQ(fifo.exitCode, 8) << fifo.output;
    EXPECT_NE(fifo.output.find("fifo.s19 is a FIFO, not a file"), std::string::npos) << fifo.output;
}

TEST_F(FlashAgainstSimulator, BadArgumentsGetTheUsage)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {ZORVANE_FLASH},
             {ZORVANE_FLASH, "--port"},
             {ZORVANE_FLASH, "--port", "1", "--platform", "nokia"},
             {ZORVANE_FLASH, "--port", "1", "--platform", "other", "--config", "x.cfg"},
             {ZORVANE_FLASH, "--port", "1", "--platform", "other", "--on-line-error", "maybe"},
             {ZORVANE_FLASH, "--port", "1", "--platform", "other", "--ask-unit"},   // no terminal to ask on
             {ZORVANE_RADIOSIM, "--fault", "refuse=zz", "--link", "x"},
         }) {
        Process p(args, dir.path().string());
        const ProcessResult r = p.wait(10s);
        EXPECT_EQ(r.exitCode, 2) << args.size() << r.output;
        if (args[0] == ZORVANE_FLASH) {
            // One line that says what is wrong, then where to look: never the whole help.
            EXPECT_EQ(r.output.rfind("zorvane-flash: ", 0), 0u) << r.output;
            EXPECT_EQ(r.output.find('\n'), r.output.find("\nTry 'zorvane-flash --help'.\n")) << r.output;
            EXPECT_TRUE(r.output.ends_with("\nTry 'zorvane-flash --help'.\n")) << r.output;
        } else {
            EXPECT_NE(r.output.find("usage:"), std::string::npos) << r.output;
        }
    }
    // A port named twice is refused before anything else is printed.
    Process twice({ZORVANE_FLASH, "--port", "1", "--port", "/dev/ttyS0", "--platform", "pellamar"}, dir.path().string());
    const ProcessResult refused = twice.wait(10s);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.output, "zorvane-flash: port /dev/ttyS0 is named twice\nTry 'zorvane-flash --help'.\n");
    Process version({ZORVANE_FLASH, "--version"}, dir.path().string());
    const ProcessResult versioned = version.wait(10s);
    EXPECT_EQ(versioned.exitCode, 0);
    EXPECT_EQ(versioned.output.rfind("zorvane-flash ", 0), 0u) << versioned.output;
}

TEST_F(FlashAgainstSimulator, MissingConfigurationFileIsAConfigurationError)
{
    std::filesystem::remove(dir.path() / "pellamar.cfg");
    Process flasher({ZORVANE_FLASH, "--port", "1", "--platform", "pellamar"}, dir.path().string());
    const ProcessResult run = flasher.wait(10s);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.output.find("[Error] File: pellamar.cfg DOES NOT exist.\nSee Help for configuration file format."),
              std::string::npos)
        << run.output;

    std::ofstream(dir.path() / "pellamar.cfg") << "boot: boot.s19\nsrecord: pellamar.s19\nconfig: 3G\n";
    Process flawed({ZORVANE_FLASH, "--port", "1", "--platform", "pellamar"}, dir.path().string());
    const ProcessResult refused = flawed.wait(10s);
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.output.find("[Error] Error reading from File: pellamar.cfg\nSee Help for configuration file format.\n"
                                  "  cause: pellamar.cfg line 3: the config value \"3G\" is not two hexadecimal digits\n"),
              std::string::npos)
        << refused.output;
}

// A record named with --record that cannot be kept is an exit status of
// its own, after the radio's result; a radio's failure would win.
TEST_F(FlashAgainstSimulator, RecordThatCannotBeKeptIsExit11)
{
    startSimulator();
    std::filesystem::create_directory(dir.path() / "blocked.jsonl");   // a folder where the records file goes
    const ProcessResult run = flash("tessivar", {"--record", "blocked.jsonl"});
    EXPECT_EQ(run.exitCode, 11) << run.output;
    EXPECT_NE(run.output.find("Programming Successful!"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("zorvane-flash: warning: the flash record for " + link() + " was not kept: "),
              std::string::npos)
        << run.output;
}

// With a signed SHA256SUMS in the working folder, only the files it lists
// with the bytes the run reads are programmed; the record names it.
TEST_F(FlashAgainstSimulator, SignedManifestHoldsTheRunToReleasedFiles)
{
    startSimulator();
    testkit::SigningKeys keys(dir.path());
    const std::string release = keys.make("release");
    keys.exportKey(release, dir.path() / "trusted.gpg");
    const auto publish = [&](std::initializer_list<std::string> files) {
        std::ofstream(dir.path() / "SHA256SUMS") << testkit::Sha256SumsFor(dir.path(), files);
        keys.sign(release, dir.path() / "SHA256SUMS", dir.path() / "SHA256SUMS.gpg");
    };
    const std::vector<std::string> trusted{"--keyring", "trusted.gpg"};

    publish({"tessivar.cfg", "boot.s19"});
    const ProcessResult unlisted = flash("tessivar", {"--keyring", "trusted.gpg", "--record", "unlisted.jsonl"});
    EXPECT_EQ(unlisted.exitCode, 13) << unlisted.output;
    EXPECT_NE(unlisted.output.find("[Release Error] tessivar.s19 is not the released file.\n"
                                   "tessivar.s19: not listed in SHA256SUMS\n"),
              std::string::npos)
        << unlisted.output;
    expectFaultRecorded("unlisted.jsonl", "not-released\",\"file\":\"tessivar.s19\",\"reason\":\"unlisted\"}");

    publish({"tessivar.cfg", "boot.s19", "tessivar.s19"});
    const std::string listed = testkit::Sha256SumsFor(dir.path(), {"tessivar.s19"}).substr(0, 64);
    std::ofstream(dir.path() / "tessivar.s19", std::ios::app) << "patched after the release\n";
    const std::string patched = testkit::Sha256SumsFor(dir.path(), {"tessivar.s19"}).substr(0, 64);
    const ProcessResult tampered = flash("tessivar", trusted);
    EXPECT_EQ(tampered.exitCode, 13) << tampered.output;
    Process checkTampered({ZORVANE_FLASH, "--check", "--platform", "tessivar", "--keyring", "trusted.gpg"},
                          dir.path().string());
    const ProcessResult checkedTampered = checkTampered.wait(kRunLimit);
    EXPECT_EQ(checkedTampered.exitCode, 13) << checkedTampered.output;
    EXPECT_EQ(checkedTampered.output.find("FLASH Failed."), std::string::npos) << checkedTampered.output;
    EXPECT_NE(checkedTampered.output.find("[Release Error] tessivar.s19 is not the released file."), std::string::npos)
        << checkedTampered.output;
    EXPECT_NE(tampered.output.find("tessivar.s19: SHA-256 " + patched + " read, SHA256SUMS line 3 lists " + listed),
              std::string::npos)
        << tampered.output;

    publish({"tessivar.cfg", "boot.s19", "tessivar.s19"});
    Process check({ZORVANE_FLASH, "--check", "--platform", "tessivar", "--keyring", "trusted.gpg"}, dir.path().string());
    const ProcessResult checked = check.wait(kRunLimit);
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    EXPECT_NE(checked.output.find("SHA256SUMS.gpg: good signature by " + release), std::string::npos) << checked.output;
    EXPECT_EQ(checked.output.rfind("Released files: SHA256SUMS, signed by " + release +
                                       " (release <release@example.invalid>)\n",
                                   0),
              0u)
        << checked.output;
    EXPECT_NE(checked.output.find("Firmware  tessivar.s19, 77888 bytes, sha256 " + patched + ", listed in the manifest"),
              std::string::npos)
        << checked.output;

    const ProcessResult good = flash("tessivar", {"--keyring", "trusted.gpg", "--record", "released.jsonl"});
    EXPECT_EQ(good.exitCode, 0) << good.output;
    std::ifstream records(dir.path() / "released.jsonl");
    const std::string record((std::istreambuf_iterator<char>(records)), std::istreambuf_iterator<char>());
    EXPECT_NE(record.find("\"manifest\":{\"file\":\"SHA256SUMS\",\"sha256\":\""), std::string::npos) << record;
    EXPECT_NE(record.find("\"signed_by\":\"" + release + "\"}"), std::string::npos) << record;
    Process validate({"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                      ZORVANE_SOURCE_DIR "/docs/flash-record.schema.json", (dir.path() / "released.jsonl").string()},
                     dir.path().string());
    EXPECT_EQ(validate.wait(30s).exitCode, 0);

    std::filesystem::remove(dir.path() / "SHA256SUMS.gpg");
    const ProcessResult unsigned_ = flash("tessivar", {"--require-signature"});
    EXPECT_EQ(unsigned_.exitCode, 13) << unsigned_.output;
    EXPECT_NE(unsigned_.output.find("[Release Error] The release could not be verified.\n"
                                    "  cause: SHA256SUMS is not signed"),
              std::string::npos)
        << unsigned_.output;
}

std::string fileText(const std::filesystem::path& file);

// A keyring installed where the machine's benches keep theirs demands a
// signed release; --allow-unsigned takes an unsigned one and says so first.
// The order pins the firmware, and every record names it and the operator.
TEST_F(FlashAgainstSimulator, AnInstalledKeyringRefusesAnUnsignedRelease)
{
    startSimulator();
    testkit::SigningKeys keys(dir.path());
    keys.exportKey(keys.make("release"), dir.path() / "system.gpg");
    std::ofstream(dir.path() / "SHA256SUMS")
        << testkit::Sha256SumsFor(dir.path(), {"tessivar.cfg", "boot.s19", "tessivar.s19"});
    std::string firmware = testkit::Sha256SumsFor(dir.path(), {"tessivar.s19"}).substr(0, 64);
    std::transform(firmware.begin(), firmware.end(), firmware.begin(), [](char c) { return std::toupper(c); });
    const auto flashWithSystemKeyring = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"/usr/bin/env", "ZORVANE_SYSTEM_KEYRING=" + (dir.path() / "system.gpg").string(),
                                      ZORVANE_FLASH, "--port", link(), "--platform", "tessivar", "--yes"};
        args.insert(args.end(), extra.begin(), extra.end());
        Process flasher(args, dir.path().string());
        return flasher.wait(kRunLimit);
    };

    const ProcessResult refused = flashWithSystemKeyring({});
    EXPECT_EQ(refused.exitCode, 13) << refused.output;
    EXPECT_NE(refused.output.find("[Release Error] The release could not be verified.\n"
                                  "  cause: SHA256SUMS is not signed"),
              std::string::npos)
        << refused.output;

    Process check({ZORVANE_FLASH, "--check", "--platform", "tessivar", "--expect-firmware", std::string(64, '0')},
                  dir.path().string());
    const ProcessResult checked = check.wait(kRunLimit);
    EXPECT_EQ(checked.exitCode, 13) << checked.output;
    EXPECT_NE(checked.output.find("[Release Error] tessivar.s19 is not the firmware the order names.\n"
                                  "tessivar.s19: file SHA-256 "),
              std::string::npos)
        << checked.output;

    const ProcessResult allowed =
        flashWithSystemKeyring({"--allow-unsigned", "--expect-firmware", firmware, "--work-order", "WO-17",
                                "--operator", "Ann Smith", "--record", "allowed.jsonl"});
    EXPECT_EQ(allowed.exitCode, 0) << allowed.output;
    EXPECT_EQ(allowed.output.rfind("Released files: SHA256SUMS, not signed\n", 0), 0u) << allowed.output;
    EXPECT_EQ(simulator->wait(10s).exitCode, 0) << "the simulator counts the run and ends";
    expectRadioHolds("tessivar.s19", "flash.s19");
    const std::string record = fileText(dir.path() / "allowed.jsonl");
    EXPECT_NE(record.find(R"("operator":"Ann Smith","work_order":"WO-17")"), std::string::npos) << record;
    Process validate({"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                      ZORVANE_SOURCE_DIR "/docs/flash-record.schema.json", (dir.path() / "allowed.jsonl").string()},
                     dir.path().string());
    EXPECT_EQ(validate.wait(30s).exitCode, 0);
}

std::string fileText(const std::filesystem::path& file)
{
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A release signed by a key the flasher is given: GnuPG plays its part in the run.
void publishSignedRelease(const std::filesystem::path& folder)
{
    testkit::SigningKeys keys(folder);
    const std::string release = keys.make("release");
    keys.exportKey(release, folder / "trusted.gpg");
    std::ofstream(folder / "SHA256SUMS") << testkit::Sha256SumsFor(folder, {"tessivar.cfg", "boot.s19", "tessivar.s19"});
    keys.sign(release, folder / "SHA256SUMS", folder / "SHA256SUMS.gpg");
}

struct LeavingReader {
    const char* name;
    bool signedRelease;   // GnuPG runs before the radio does
    const char* pipeline;  // what reads the flasher's output, and goes away
};

void PrintTo(const LeavingReader& row, std::ostream* out)
{
    *out << row.name;
}

class ReaderLeaves : public FlashAgainstSimulator, public ::testing::WithParamInterface<LeavingReader> {};

// A line controller that stops reading after 200 bytes, or output to a
// full disk: the radio is finished and its record kept, with the exit
// status of its run.
TEST_P(ReaderLeaves, TheRadioIsFinishedAndItsRecordKept)
{
    const LeavingReader& row = GetParam();
    if (row.signedRelease)
        publishSignedRelease(dir.path());
    startSimulator();
    // A keyring given demands a signed release: the unsigned rows are given none.
    std::vector<std::string> args{"/bin/sh", "-c", std::string("{ \"$0\" \"$@\"; echo $? > status; } ") + row.pipeline,
                                  ZORVANE_FLASH, "--port", link(), "--platform", "tessivar", "--yes", "--json",
                                  "--record", "records.jsonl"};
    if (row.signedRelease)
        args.insert(args.end(), {"--keyring", "trusted.gpg"});
    Process flasher(args, dir.path().string());
    const ProcessResult run = flasher.wait(kRunLimit);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(fileText(dir.path() / "status"), "0\n") << run.output;
    EXPECT_NE(fileText(dir.path() / "records.jsonl").find("\"outcome\":{\"stage\":\"success\""), std::string::npos);
    EXPECT_EQ(simulator->wait(10s).exitCode, 0);
    expectRadioHolds("tessivar.s19", "flash.s19");
}

INSTANTIATE_TEST_SUITE_P(
    StandardOutputAndError, ReaderLeaves,
    ::testing::Values(LeavingReader{"EventsUnsigned", false, "| head -c 200 > /dev/null"},
                      LeavingReader{"EverythingSigned", true, "2>&1 | head -c 200 > /dev/null"},
                      LeavingReader{"FullDisk", false, "> /dev/full 2>&1"}),
    [](const auto& info) { return std::string(info.param.name); });

// A closed terminal or session: the radio under way is finished, not left
// half-programmed, and its record kept.
TEST_F(FlashAgainstSimulator, HangUpFinishesTheRadioUnderWay)
{
    startSimulator();
    Process flasher({ZORVANE_FLASH, "--port", link(), "--platform", "tessivar", "--yes", "--record", "records.jsonl"},
                    dir.path().string());
    for (std::string line = flasher.readLine(20s); line.find("== Boot loading") == std::string::npos;
         line = flasher.readLine(20s))
        ASSERT_FALSE(line.empty()) << "the run never reached the boot stage";
    flasher.signal(SIGHUP);
    const ProcessResult run = flasher.wait(kRunLimit);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("[ZORVANE] Programming Successful!"), std::string::npos) << run.output;
    EXPECT_NE(fileText(dir.path() / "records.jsonl").find("\"outcome\":{\"stage\":\"success\""), std::string::npos);
    EXPECT_EQ(simulator->wait(10s).exitCode, 0);
    expectRadioHolds("tessivar.s19", "flash.s19");
}

// A gpgconf first on the PATH, which runs script before the real one.
void wrapGpgconf(const std::filesystem::path& folder, const std::string& script)
{
    std::filesystem::create_directory(folder / "bin");
    std::ofstream(folder / "bin" / "gpgconf") << "#!/bin/sh\n" << script << "\nexec /usr/bin/gpgconf \"$@\"\n";
    std::filesystem::permissions(folder / "bin" / "gpgconf", std::filesystem::perms::owner_all);
}

// The flasher with the folder's bin/ first on its PATH, started by a
// parent that ignores SIGCHLD and SIGPIPE.
Process flasherWithWrappers(const std::filesystem::path& folder, std::vector<std::string> arguments)
{
    // The shell will not ignore SIGCHLD for its children; perl does.
    const std::string start = "$SIG{CHLD} = 'IGNORE'; $SIG{PIPE} = 'IGNORE'; $ENV{PATH} = '" + (folder / "bin").string() +
                              ":' . $ENV{PATH}; exec @ARGV or die";
    arguments.insert(arguments.begin(), {"/usr/bin/perl", "-e", start, ZORVANE_FLASH});
    return Process(arguments, folder.string());
}

// Started by a parent that ignores SIGCHLD, the signature check reaps its
// helpers and ends; they start with no signal blocked or ignored.
TEST_F(FlashAgainstSimulator, ParentIgnoringChildEndsLeavesTheCheckWhole)
{
    publishSignedRelease(dir.path());
    wrapGpgconf(dir.path(), "grep -E '^Sig(Blk|Ign):' /proc/self/status >> helper-signals");
    Process check = flasherWithWrappers(dir.path(), {"--check", "--platform", "tessivar", "--keyring", "trusted.gpg"});
    const ProcessResult checked = check.wait(kRunLimit);
    ASSERT_FALSE(checked.timedOut) << checked.output;
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    EXPECT_NE(checked.output.find("SHA256SUMS.gpg: good signature by "), std::string::npos) << checked.output;
    std::ifstream signals(dir.path() / "helper-signals");
    int helpers = 0;
    for (std::string name, mask; signals >> name >> mask; ++helpers) {
        // Signals above 31 are the C library's own, set as it must.
        const unsigned long long standard = std::stoull(mask, nullptr, 16) & 0x7fffffffULL;
        EXPECT_EQ(standard, 0u) << name << " " << mask;
    }
    EXPECT_GT(helpers, 0) << "the helpers ran";
}

// A stop signal while the files are checked (here a GnuPG helper that
// hangs) ends the check at once with the status of a stop.
TEST_F(FlashAgainstSimulator, StopSignalEndsACheck)
{
    publishSignedRelease(dir.path());
    wrapGpgconf(dir.path(), "case \"$*\" in *--kill*) echo \"$2\" > hanging; exec sleep 20;; esac");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::filesystem::remove(dir.path() / "hanging");
        Process check = flasherWithWrappers(dir.path(), {"--check", "--platform", "tessivar", "--keyring", "trusted.gpg"});
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (!std::filesystem::exists(dir.path() / "hanging") && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(std::filesystem::exists(dir.path() / "hanging")) << "the check never ended its agent";
        check.signal(signal);
        const ProcessResult stopped = check.wait(10s);
        ASSERT_FALSE(stopped.timedOut) << signal << stopped.output;
        EXPECT_EQ(stopped.exitCode, 9) << signal << stopped.output;
        EXPECT_NE(stopped.output.find("zorvane-flash: stopped while the files were checked"), std::string::npos)
            << stopped.output;
        // The agent the hanging helper was to end is ended here, with its home.
        std::string home;
        std::getline(std::ifstream(dir.path() / "hanging"), home);
        Process({"/usr/bin/gpgconf", "--homedir", home, "--kill", "all"}, dir.path().string()).wait(10s);
        std::filesystem::remove_all(home);
    }
}

} // namespace
} // namespace zorvane

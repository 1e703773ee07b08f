#include <gtest/gtest.h>

#ifndef _WIN32
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <thread>

#include "files/shown_text.h"
#include "cli/cli_options.h"
#include "cli/port_diagnostics.h"
#include "cli/port_list.h"
#include "kit/temp_dir.h"
#include "link/serial_port.h"
#include "cli/reset_gate.h"
#include "cli/stage_rate.h"
#include "cli/summary.h"
#include "kit/fake_clock.h"

namespace zorvane::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliOptions, WhatTheCommandLineAccepts)
{
    const struct Case {
        Args args;
        const char* error;   // empty: accepted
    } cases[] = {
        {{"--port", "1", "--platform", "pellamar"}, ""},
        {{"--port", "/dev/ttyUSB0", "--port", "./ttyRADIO", "--config", "x.cfg", "--yes"}, ""},
        {{"--port", "3", "--platform", "pellamar"}, "--port takes 1, 2 or a device path"},
        {{"--port", "ttyUSB0", "--platform", "pellamar"}, "--port takes 1, 2 or a device path"},
        {{"--platform", "pellamar"}, "--port is required"},
        {{"--port", "1"}, "give either --platform or --config"},
        {{"--port", "1", "--port", "2", "--platform", "other", "--on-line-error", "ask"},
         "--on-line-error ask takes one port"},
        {{"--port", "1", "--port", "2", "--platform", "other", "--on-line-error", "continue"}, ""},
        {{"--port", "1", "--port", "2", "--platform", "other", "--trace", "t.txt"}, "--trace takes one port"},
        {{"--port", "1", "--platform", "other", "--record", "r.jsonl", "--no-record"},
         "give either --record or --no-record"},
        {{"--check", "--platform", "tessivar"}, ""},
        {{"--port", "1", "--port", "2", "--platform", "other", "--unit", "A", "--unit", "B"}, ""},
        {{"--port", "1", "--port", "2", "--platform", "other", "--unit", "A"}, "--unit is given once per --port"},
        {{"--port", "1", "--port", "2", "--platform", "other", "--unit", "A", "--unit", "A"},
         "--unit A is given for port 1 and port 2: a label names one radio"},
        {{"--port", "1", "--platform", "other", "--unit", "A", "--ask-unit"}, "give either --unit or --ask-unit"},
        {{"--port", "1", "--platform", "other", "--json"}, "--json needs --yes"},
        {{"--port", "1", "--platform", "other", "--json", "--yes", "--ask-unit"}, "--json takes the units with --unit"},
        {{"--port", "1", "--platform", "other", "--json", "--yes", "--on-line-error", "ask"},
         "--on-line-error ask needs a terminal"},
        {{"--port", "1", "--platform", "other", "--json", "--yes", "--trace", "t"}, "--trace does not go with --json"},
        {{"--check", "--platform", "other", "--json"}, "--check writes for people"},
        {{"--check", "--platform", "other", "--port", "1"}, "--check opens no port: it does not take --port"},
        {{"--stations", "--port", "1", "--port", "2", "--platform", "other", "--no-units"}, ""},
        {{"--stations", "--port", "1", "--platform", "other", "--on-line-error", "ask"},
         "--on-line-error ask does not go with --stations"},
        {{"--stations", "--port", "1", "--platform", "other", "--ask-unit"}, "--stations takes each radio's label"},
        {{"--stations", "--port", "1", "--platform", "other", "--json"}, ""},   // a start command is the reset's answer
        {{"--port", "1", "--platform", "other", "--no-units"}, "--no-units goes with --stations"},
        {{"--check"}, "give either --platform or --config"},
        {{"--list-ports"}, ""},
        {{"--port"}, "--port needs a value"},
        {{"--ports", "1"}, "unknown argument: --ports"},
        // A password never comes back in an error: all after :// is left out.
        {{"--database=postgresql://bench@db/line", "--forward-records"}, ""},
        {{"--database=", "--forward-records"}, "--database needs a value"},
        {{"--databse=postgresql://bench:secret@db/line", "--forward-records"},
         "unknown argument: --databse=postgresql://..."},
        {{"postgresql://db/line?password=secret"}, "unknown argument: postgresql://..."},
        {{"--platform", "postgres://bench:secret@db/line", "--check"}, "unknown platform: postgres://..."},
        {{"--port", "1", "--platform", "other", "--allow-unsigned", "--require-signature"},
         "give either --allow-unsigned or --require-signature"},
        {{"--check", "--platform", "other", "--expect-firmware", std::string(64, 'F'), "--expect-firmware",
          std::string(64, '0')},
         ""},
        {{"--check", "--platform", "other", "--expect-firmware", std::string(63, 'f')},
         "--expect-firmware takes a SHA-256 of 64 hex digits, not fff"},
        {{"--check", "--platform", "other", "--expect-firmware=" + std::string(63, 'f') + "g"},
         "--expect-firmware takes a SHA-256 of 64 hex digits"},
        {{"--port", "1", "--platform", "other", "--operator=Ann Smith", "--work-order", std::string(64, 'w'),
          "--allow-unsigned"},
         ""},
        {{"--port", "1", "--platform", "other", "--work-order", std::string(65, 'w')},
         "--work-order is longer than 64 characters"},
        {{"--port", "1", "--platform", "other", "--operator", "Ann\x1b[2J"}, "--operator holds a control character"},
        {{"--port", "1", "--platform", "other", "--operator", " "}, "--operator is empty"},
        {{"--report", "r.html", "--report-csv", "r.csv", "--since", "2026-12-01", "--until=2026-12-07", "--utc"}, ""},
        {{"--report", "-", "--database", "postgresql://db/line"}, ""},
        {{"--report", "-", "--since", "2026-12-1"}, "--since takes a day, YYYY-MM-DD"},
        {{"--report", "-", "--until", "2026-02-30"}, "--until takes a day, YYYY-MM-DD"},
        {{"--report", "-", "--since", "2026-12-08", "--until", "2026-12-07"}, "--until 2026-12-07 is before --since"},
        {{"--report", "-", "--port", "1", "--platform", "other"}, "--report and --report-csv flash nothing"},
        {{"--report", "-", "--records-status"}, "--report goes alone"},
        {{"--report", "r.html", "--report-csv", "r.html"}, "--report and --report-csv need two files"},
        {{"--report", "-", "--record", "r.jsonl", "--database", "postgresql://db/line"},
         "give the report either --record or --database"},
        {{"--port", "1", "--platform", "other", "--utc"}, "--since, --until and --utc go with --report"},
    };
    for (const Case& c : cases) {
        CliOptions options;
        const std::optional<std::string> error = ParseCliOptions(c.args, options);
        EXPECT_EQ(error.value_or("").find("secret"), std::string::npos) << error.value_or("");
        if (std::string_view(c.error).ends_with("...")) {
            EXPECT_EQ(error.value_or(""), c.error);
        }
        if (*c.error == '\0')
            EXPECT_EQ(error, std::nullopt) << c.args[0] << " " << c.args[1];
        else
            EXPECT_EQ(error.value_or("").rfind(c.error, 0), 0u) << error.value_or("(accepted)");
    }
    CliOptions order;
    ASSERT_EQ(ParseCliOptions({"--check", "--platform", "other", "--expect-firmware", std::string(64, 'F'),
                               "--work-order", "WO-17"},
                              order),
              std::nullopt);
    EXPECT_EQ(order.expectFirmware, Args{std::string(64, 'f')}) << "a SHA-256 is compared in lower case";
    EXPECT_EQ(order.workOrder, "WO-17");
    EXPECT_EQ(order.operatorName, std::nullopt);
}

TEST(CliOptions, LineErrorsAreAskedOnlyWithOnePort)
{
    CliOptions one;
    ASSERT_EQ(ParseCliOptions({"--port", "1", "--platform", "other"}, one), std::nullopt);
    EXPECT_EQ(one.lineErrorAnswer(), LineErrorAnswer::Ask);
    CliOptions two;
    ASSERT_EQ(ParseCliOptions({"--port", "1", "--port", "/dev/ttyUSB0", "--platform", "other"}, two), std::nullopt);
    EXPECT_EQ(two.lineErrorAnswer(), LineErrorAnswer::Cancel);
    CliOptions station;
    ASSERT_EQ(ParseCliOptions({"--stations", "--port", "1", "--platform", "other"}, station), std::nullopt);
    EXPECT_EQ(station.lineErrorAnswer(), LineErrorAnswer::Cancel);
}

// Three radios: one run ends before its prompt, the other two wait for
// each other; the operator is asked once, about the two, on a waiting run's
// thread: never from the ending run's (its completion must not block on a
// person at the terminal), whichever comes in last.
TEST(ResetGate, AsksOnceWhenEveryRunIsIn)
{
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> asked{0};
        std::vector<std::string> askedAbout;
        std::thread::id askedOn;
        ResetGate gate({"A", "B", "C"}, [&](const std::vector<std::string>& ports, std::stop_token) {
            ++asked;
            askedAbout = ports;
            askedOn = std::this_thread::get_id();
            return Answer::GoOn;
        });
        std::stop_source stop;
        Answer a = Answer::Stop;
        Answer c = Answer::Stop;
        std::thread runA([&] { a = gate.arrive(0, stop.get_token()); });
        std::thread runB([&] { gate.leave(1); });
        std::thread runC([&] { c = gate.arrive(2, stop.get_token()); });
        const std::thread::id ended = runB.get_id();
        const std::vector<std::thread::id> waiting{runA.get_id(), runC.get_id()};
        runA.join();
        runB.join();
        runC.join();
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(askedAbout, (std::vector<std::string>{"A", "C"}));
        EXPECT_NE(askedOn, ended) << "asked from the run that ended";
        EXPECT_NE(std::find(waiting.begin(), waiting.end(), askedOn), waiting.end());
        EXPECT_EQ(a, Answer::GoOn);
        EXPECT_EQ(c, Answer::GoOn);
        gate.leave(0);   // an arrived run that ends changes nothing
        EXPECT_EQ(asked, 1);
    }
}

TEST(ResetGate, AStopReleasesTheWaitingRuns)
{
    ResetGate gate({"A", "B"}, [](const std::vector<std::string>&, std::stop_token) { return Answer::GoOn; });
    std::stop_source stop;
    Answer a = Answer::GoOn;
    std::thread runA([&] { a = gate.arrive(0, stop.get_token()); });
    stop.request_stop();   // B never comes: Ctrl-C
    runA.join();
    EXPECT_EQ(a, Answer::Stop);
}

TEST(Summary, ExitStatusOfSeveralRuns)
{
    const auto results = [](std::initializer_list<RunOutcome> outcomes) {
        std::vector<PortResult> all;
        for (RunOutcome outcome : outcomes) {
            RunReport report;
            report.outcome = outcome;
            all.push_back({"p", report});
        }
        return all;
    };
    EXPECT_EQ(ExitCodeForAll(results({RunOutcome::Success, RunOutcome::Success})), 0);
    EXPECT_EQ(ExitCodeForAll(results({RunOutcome::Success, RunOutcome::FlashFailed, RunOutcome::Success})), 8);
    EXPECT_EQ(ExitCodeForAll(results({RunOutcome::BootFailed, RunOutcome::PortFailed})), 5);

    // A file the release does not vouch for is no radio's failure: 13, and the table says so.
    RunReport refused;
    refused.outcome = RunOutcome::FlashFailed;
    refused.fault = files::ImageFault{files::ImageFaultKind::Damaged, "main.s19: not listed in SHA256SUMS", "main.s19",
                                      0, {}, "unlisted"};
    RunReport good;
    good.outcome = RunOutcome::Success;
    const std::vector<PortResult> bench{{"p", refused, "SN-7"}, {"q", good}};
    EXPECT_EQ(ExitCodeForAll(bench), 13);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    PrintSummary(out, bench);
    std::rewind(out);
    char table[1024] = {};
    table[std::fread(table, 1, sizeof table - 1, out)] = '\0';
    std::fclose(out);
    EXPECT_NE(std::string(table).find("p                        SN-7             not released"), std::string::npos)
        << table;
    EXPECT_NE(std::string(table).find("q                        -                success      -"), std::string::npos) << table;

    // Only the failed radios again, their units with them, every other argument as it was.
    RunReport failed;
    failed.outcome = RunOutcome::BootFailed;
    const std::vector<PortResult> batch{
        {"/dev/ttyUSB0", good, "SN-1"}, {"/dev/ttyUSB1", failed, "SN 2's"}, {"/dev/ttyUSB2", refused, "SN-3"}};
    EXPECT_EQ(FlashAgainCommand({"--port", "/dev/ttyUSB0", "--port=/dev/ttyUSB1", "--port", "/dev/ttyUSB2",
                                 "--platform", "pellamar", "--ask-unit", "--record", "my records.jsonl", "--yes"},
                                batch),
              "zorvane-flash --port /dev/ttyUSB1 --unit 'SN 2'\\''s' --port /dev/ttyUSB2 --unit SN-3 --platform "
              "pellamar --record 'my records.jsonl' --yes");
    EXPECT_EQ(FlashAgainCommand({"--port", "1"}, {{"1", good}}), std::nullopt);
}

TEST(PortDiagnostics, OneLineWithTheReasonAndTheRemedy)
{
    const auto facts = [](auto set) {
        PortFacts f;
        f.exists = f.characterDevice = f.terminal = f.readWrite = true;
        f.group = "dialout";
        f.errorNumber = link::kErrOpenFailed;
        f.reason = "Input/output error (MSComm1 error 8010)";
        set(f);
        return f;
    };
    const struct Case {
        PortFacts facts;
        const char* line;
    } cases[] = {
        {facts([](PortFacts& f) { f.exists = false; }), "/dev/ttyUSB0: no such device; see zorvane-flash --list-ports"},
        {facts([](PortFacts& f) { f.readWrite = false; }),
         "/dev/ttyUSB0: permission denied; the device belongs to group dialout: sudo usermod -aG dialout $USER, "
         "then log in again"},
        {facts([](PortFacts& f) {
             f.holderPid = 4242;
             f.holderName = "minicom";
             f.errorNumber = link::kErrPortInUse;
         }),
         "/dev/ttyUSB0: held by minicom (process 4242); end it or choose another port"},
        {facts([](PortFacts& f) { f.errorNumber = link::kErrPortInUse; }),
         "/dev/ttyUSB0: another program holds it; end it or choose another port"},
        {facts([](PortFacts& f) { f.characterDevice = false; }),
         "/dev/ttyUSB0: not a serial device; see zorvane-flash --list-ports"},
        {facts([](PortFacts& f) { f.terminal = false; }),
         "/dev/ttyUSB0: not a serial device; see zorvane-flash --list-ports"},
        {facts([](PortFacts&) {}), "/dev/ttyUSB0: Input/output error (MSComm1 error 8010)"},
        {facts([](PortFacts& f) {
             f.reason = "/dev/ttyUSB0: Input/output error (MSComm1 error 8010)";
             f.reasonNamesDevice = true;
         }),
         "/dev/ttyUSB0: Input/output error (MSComm1 error 8010)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribePortProblem("/dev/ttyUSB0", c.facts), c.line);
}

#ifndef _WIN32
// A real pseudo-terminal that only its owner may open, seen by another user.
TEST(PortDiagnostics, ADeviceWithoutPermissionNamesItsGroup)
{
    testkit::TempDir dir;
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_EQ(::chmod(name, 0600), 0);
    struct stat st{};
    ASSERT_EQ(::stat(name, &st), 0);
    std::string line;
    {
        testkit::Unprivileged user;
        ASSERT_TRUE(user.active());
        line = DescribePortProblem(name, GatherPortFacts(name, OpenError{link::kErrOpenFailed, 0, "Permission denied", "MSComm1", {}}));
    }
    ::close(slave);
    ::close(master);
    EXPECT_NE(line.find(std::string(name) + ": permission denied; the device belongs to group "), std::string::npos)
        << line;
    EXPECT_NE(line.find("sudo usermod -aG "), std::string::npos) << line;
}
#endif

TEST(PortList, EveryPortWithItsNamesAndWhatCommMeans)
{
    std::vector<PortEntry> ports{
        {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "FT232R USB UART",
         "FTDI", "A50285BI", 0x0403, 0x6001},
        {"/dev/ttyS0", "", "", "", "", std::nullopt, std::nullopt},
    };
    const auto present = [](const std::string& device) { return device != "/dev/ttyS1"; };
    EXPECT_EQ(FormatPortList(ports, "/dev/ttyS0", "/dev/ttyUSB0", present),
              "/dev/ttyUSB0\n"
              "  stable name:  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n"
              "  description:  FT232R USB UART\n"
              "  manufacturer: FTDI\n"
              "  serial:       A50285BI\n"
              "  VID:PID:      0403:6001\n"
              "/dev/ttyS0\n"
              "Comm1 is /dev/ttyS0\n"
              "Comm2 is /dev/ttyUSB0\n");
    EXPECT_EQ(FormatPortList({}, "/dev/ttyS0", "/dev/ttyS1", present),
              "No serial ports found.\nComm1 is /dev/ttyS0\nComm2 is /dev/ttyS1 (no such device)\n");
}

// Words from outside (a USB descriptor, a file or port name, a server) reach
// the terminal with their control characters written out, never raw.
TEST(ShownText, ControlCharactersAreWrittenOut)
{
    const struct Case {
        std::string text;
        std::string shown;
        std::string lines;
    } cases[] = {
        {"main\x1b]0;PWNED\x07\x1b[2J.s19", "main\\x1b]0;PWNED\\x07\\x1b[2J.s19", "main\\x1b]0;PWNED\\x07\\x1b[2J.s19"},
        {std::string("a\0b\x7F", 4), "a\\x00b\\x7f", "a\\x00b\\x7f"},
        {"two\nlines\r\tend", "two\\x0alines\\x0d\\x09end", "two\nlines\\x0d\\x09end"},
        {"csi \xC2\x9B" "2J, lone \x9B" "2J, M\xFCller", "csi \\xc2\\x9b2J, lone \\x9b2J, M\xFCller",
         "csi \\xc2\\x9b2J, lone \\x9b2J, M\xFCller"},
        {"caf\xC3\xA9 C:\\Zorvane \xE2\x82\xAC", "caf\xC3\xA9 C:\\Zorvane \xE2\x82\xAC", "caf\xC3\xA9 C:\\Zorvane \xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(files::ShownText(c.text), c.shown);
        EXPECT_EQ(files::ShownLines(c.text), c.lines);
    }
    std::vector<PortEntry> ports{{"/dev/ttyUSB0", "", "Evil\x1b[2J", "", "", std::nullopt, std::nullopt}};
    EXPECT_EQ(FormatPortList(ports, "/dev/ttyUSB0", "/dev/ttyS1", [](const std::string&) { return true; }),
              "/dev/ttyUSB0\n  description:  Evil\\x1b[2J\nComm1 is /dev/ttyUSB0\nComm2 is /dev/ttyS1\n");
}

// The bytes a second of an image stage count the time the run was sending,
// not the time a line error's question waited for the operator.
TEST(StageRate, LeavesOutTheTimeQuestionsWereOpen)
{
    using std::chrono::seconds;
    const struct Case {
        const char* what;
        std::vector<std::pair<seconds, seconds>> questions;   // asked and answered, from the stage's start
        std::size_t bytes;
        seconds at;
        double rate;
    } cases[] = {
        {"no question", {}, 2000, seconds(2), 1000},
        {"answered after a minute", {{seconds(1), seconds(61)}}, 2000, seconds(62), 1000},
        {"two questions", {{seconds(1), seconds(11)}, {seconds(12), seconds(42)}}, 3000, seconds(43), 1000},
        {"asked at the start", {{seconds(0), seconds(300)}}, 500, seconds(300), 0},
    };
    for (const Case& c : cases) {
        testkit::FakeClock clock;
        const auto start = clock.now();
        StageRate rate;
        rate.start(start);
        for (const auto& [asked, answered] : c.questions)
            rate.leaveOut(start + asked, start + answered);
        clock.advanceTo(start + c.at);
        EXPECT_DOUBLE_EQ(rate.bytesPerSecond(c.bytes, clock.now()), c.rate) << c.what;
    }
}

} // namespace
} // namespace zorvane::cli

// A shift against real simulated radios: stations that cycle on their own,
// the scans that start them, and what the shift leaves behind.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>

#include "e2e/process.h"
#include "kit/temp_dir.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using testkit::Process;
using testkit::ProcessResult;

class Shift : public ::testing::Test {
protected:
    void SetUp() override
    {
        Process make({ZORVANE_MAKE_DEMO, dir.path().string()}, dir.path().string());
        ASSERT_EQ(make.wait(30s).exitCode, 0);
    }

    // A radio that serves run after run on ./ttyN.
    void startRadio(int n, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{ZORVANE_RADIOSIM, "--link", "tty" + std::to_string(n)};
        args.insert(args.end(), extra.begin(), extra.end());
        radios.push_back(std::make_unique<Process>(args, dir.path().string()));
        ASSERT_EQ(radios.back()->readLine(10s).rfind("/dev/pts/", 0), 0u) << "the simulator did not start";
    }

    // Reads the flasher's lines until one holds text; returns the lines read.
    std::string awaitLine(Process& flasher, const std::string& text)
    {
        std::string seen;
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < end && !flasher.outputEnded()) {
            const std::string line = flasher.readLine(30s);
            seen += line + "\n";
            if (line.find(text) != std::string::npos)
                return seen;
        }
        ADD_FAILURE() << "no line with: " << text << "\nafter:\n" << seen;
        return seen;
    }

    std::vector<std::string> lines(const std::string& file) const
    {
        std::ifstream in(dir.path() / file);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);)
            all.push_back(line);
        return all;
    }

    // Reads the flasher's lines until every text has shown, in any order.
    void awaitEach(Process& flasher, std::vector<std::string> texts)
    {
        std::string seen;
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (!texts.empty() && std::chrono::steady_clock::now() < end && !flasher.outputEnded()) {
            const std::string line = flasher.readLine(1s);
            seen += line + "\n";
            std::erase_if(texts, [&line](const std::string& text) { return line.find(text) != std::string::npos; });
        }
        EXPECT_TRUE(texts.empty()) << "never shown: " << texts.front() << "\nafter:\n" << seen;
    }

    // extras: the schemas the first refers to.
    void expectValid(const std::string& schema, const std::string& file, const std::vector<std::string>& extras = {})
    {
        std::vector<std::string> args{"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                                      ZORVANE_SOURCE_DIR "/docs/" + schema, (dir.path() / file).string()};
        for (const std::string& extra : extras)
            args.push_back(ZORVANE_SOURCE_DIR "/docs/" + extra);
        Process validate(args, dir.path().string());
        const ProcessResult validated = validate.wait(30s);
        EXPECT_EQ(validated.exitCode, 0) << file << "\n" << validated.output;
    }

    // The cycling shift's records, a line per radio after the earlier one,
    // and its summary: each with its figures, each valid against its schema.
    void expectShiftKept()
    {
        const std::vector<std::string> records = lines("shift.jsonl");
        ASSERT_EQ(records.size(), 5u);
        const std::vector<std::pair<std::string, std::string>> expected{
            {"SN-1", "./tty0"}, {"SN-2", "./tty1"}, {"SN-2", "./tty2"}, {"SN-9", "./tty0"}};
        std::ofstream written(dir.path() / "records.jsonl");
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::string& record = records[i + 1];
            EXPECT_NE(record.find("\"unit\":\"" + expected[i].first + "\",\"station\":\"" + expected[i].second +
                                  "\",\"shift\":\""),
                      std::string::npos)
                << record;
            EXPECT_NE(record.find("/" + std::to_string(i + 1) + "\""), std::string::npos) << "the run's number:\n" << record;
            written << record << "\n";
        }
        written.close();
        expectValid("flash-record.schema.json", "records.jsonl");
        const std::vector<std::string> shifts = lines("shift.shifts.jsonl");
        ASSERT_EQ(shifts.size(), 1u);
        EXPECT_NE(shifts[0].find("{\"station\":\"./tty1\",\"runs\":1,\"good\":0,\"failed\":1,\"first_pass_yield\":0.0,"),
                  std::string::npos)
            << shifts[0];
        EXPECT_NE(shifts[0].find("\"runs\":4,\"good\":3,\"failed\":1,"), std::string::npos) << shifts[0];
        EXPECT_NE(shifts[0].find("\"yield\":1.0,\"exit_code\":0}"), std::string::npos) << shifts[0];
        expectValid("shift-summary.schema.json", "shift.shifts.jsonl");
    }

    // A controller's stream read so far, and waits for what it must hold.
    struct Stream {
        Process& flasher;
        std::string events;

        std::size_t count(const std::string& text) const
        {
            std::size_t n = 0;
            for (auto at = events.find(text); at != std::string::npos; at = events.find(text, at + 1))
                ++n;
            return n;
        }
        // Reads the stream until it holds the text as often as asked.
        void await(const std::string& text, std::size_t times = 1)
        {
            const auto end = std::chrono::steady_clock::now() + 30s;
            while (count(text) < times && std::chrono::steady_clock::now() < end && !flasher.outputEnded())
                events += flasher.readLine(1s) + "\n";
            EXPECT_GE(count(text), times) << text << "\n" << events;
        }
    };

    testkit::TempDir dir;
    std::vector<std::unique_ptr<Process>> radios;
};

// Three stations: one good radio, one whose FLASH fails, one whose port is
// missing until the shift is under way. The failed unit is scanned again
// onto the station that came back; a label already flashed, one that does
// not match the pattern and one whose latest record is a success each get
// their answer; the shift ends with a radio under way, which finishes.
TEST_F(Shift, StationsCycleOnTheirOwn)
{
    std::ofstream(dir.path() / "shift.jsonl") << R"({"unit":"SN-9","outcome":{"stage":"success"}})" << "\n";
    startRadio(0);
    startRadio(1, {"--fault", "wrong-block-sum=3"});
    Process flasher({ZORVANE_FLASH, "--stations", "--port", "./tty0", "--port", "./tty1", "--port", "./tty2",
                     "--platform", "tessivar", "--record", "shift.jsonl", "--unit-pattern", "SN-[0-9]+"},
                    dir.path().string(), true);
    awaitEach(flasher, {"[./tty2] no port: ./tty2: no such device", "[./tty0] armed", "[./tty1] armed"});
    flasher.send("@1");   // the mark stays where it was drawn: whichever station armed first
    flasher.send("SN-1");
    awaitLine(flasher, "[./tty0] SN-1 success");
    flasher.send("SN-2");   // the next armed station after the one used last
    awaitLine(flasher, "[./tty1] SN-2 flash");
    startRadio(2);
    awaitLine(flasher, "[./tty2] armed");
    flasher.send("@3");
    flasher.send("SN-2");   // a failed unit may be scanned again
    awaitLine(flasher, "[./tty2] SN-2 success");
    flasher.send("SN-1");
    awaitLine(flasher, "SN-1 was flashed on ./tty0 already: a label names one radio.");
    flasher.send("XSN-3");
    awaitLine(flasher, "XSN-3 does not match the unit pattern SN-[0-9]+: scan or type it again.");
    flasher.send("SN-9");
    awaitLine(flasher, "SN-9 was flashed before (its latest record is a success): scan it again to flash it again.");
    flasher.send("SN-9");
    awaitLine(flasher, "running: SN-9");
    flasher.send("q");
    const std::string ending = awaitLine(flasher, "Shift summary kept in shift.shifts.jsonl");
    EXPECT_NE(ending.find("SN-9 success"), std::string::npos) << "the radio under way finishes:\n" << ending;
    EXPECT_NE(ending.find("Bench: 4 radios, 3 good, 1 failed"), std::string::npos) << ending;
    EXPECT_EQ(flasher.wait(30s).exitCode, 0) << "every unit's last run succeeded";

    expectShiftKept();
}

// Ctrl-C ends a shift as q does; a second Ctrl-C stops the radio under way,
// and a unit whose last run failed sets the exit status.
TEST_F(Shift, SecondCtrlCStopsTheRadiosUnderWay)
{
    startRadio(0, {"--pace"});
    Process flasher({ZORVANE_FLASH, "--stations", "--port", "./tty0", "--platform", "tessivar", "--record",
                     "stopped.jsonl", "--no-units"},
                    dir.path().string(), true);
    awaitLine(flasher, "[./tty0] armed");
    flasher.send("");   // Enter alone starts a radio without a label
    awaitLine(flasher, "[./tty0] running");
    flasher.signal(SIGINT);
    awaitLine(flasher, "Ending the shift (Ctrl-C or SIGTERM): the radios under way finish; another stops them.");
    flasher.signal(SIGINT);
    const std::string ending = awaitLine(flasher, "Bench: 1 radio, 0 good, 1 failed");
    EXPECT_NE(ending.find("[./tty0] - cancelled"), std::string::npos) << ending;
    EXPECT_EQ(flasher.wait(30s).exitCode, 9);
    const std::vector<std::string> records = lines("stopped.jsonl");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("\"unit\":null,\"station\":\"./tty0\""), std::string::npos) << records[0];
    EXPECT_NE(records[0].find("\"stage\":\"cancelled\""), std::string::npos) << records[0];
}

// A line controller drives four stations, one of them without its port:
// each command answered, a refusal of every reason a bench can give, and
// the stream of the whole shift valid against its schema.
TEST_F(Shift, ALineControllerDrivesTheBench)
{
    for (int n : {0, 1, 2})
        startRadio(n);
    // Standard error apart: the stream on standard output is the controller's alone.
    Process flasher({"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>people.txt", ZORVANE_FLASH, "--stations", "--json",
                     "--port", "./tty0", "--port", "./tty1", "--port", "./tty2", "--port", "./tty3", "--platform",
                     "tessivar", "--record", "line.jsonl", "--unit-pattern", "SN-[0-9]+"},
                    dir.path().string(), true);
    Stream stream{flasher, {}};
    const auto await = [&stream](const std::string& text, std::size_t times = 1) { stream.await(text, times); };
    await(R"("event":"station-failed","t")");
    await(R"("event":"armed")", 3);
    // Two starts in one breath go to two stations, or are refused: never one station twice.
    flasher.send(R"({"command":"start","unit":"SN-1","station":"1","id":1})" "\n"
                 R"({"command":"start","unit":"SN-1","id":2})" "\n"
                 R"({"command":"start","unit":"SN-2","station":"1","id":3})");
    await(R"("id":1,"command":"start","station":"./tty0","unit":"SN-1")");
    await(R"("id":2,"command":"start","reason":"label-used")");
    await(R"("id":3,"command":"start","reason":"busy")");
    for (const char* refused : {R"({"command":"start","unit":"XSN-3","id":4})",
                                R"({"command":"start","unit":"SN-3","station":"9","id":5})",
                                R"({"command":"start","unit":"SN-3","station":"./tty3","id":6})", "start SN-3",
                                R"({"command":"start","id":7})",
                                R"({"command":"flash","id":8})"})
        flasher.send(refused);
    await(R"("id":4,"command":"start","reason":"label-pattern")");
    await(R"("id":5,"command":"start","reason":"unknown-station")");
    await(R"("id":6,"command":"start","reason":"not-armed")");
    await(R"("id":null,"command":"","reason":"malformed")");
    await(R"("id":7,"command":"start","reason":"malformed")");   // a unit, unless --no-units
    await(R"("id":8,"command":"flash","reason":"unknown-command")");
    flasher.send(R"({"command":"next","station":3,"id":9})");
    await(R"("id":9,"command":"next","station":"./tty2")");
    flasher.send(R"({"command":"start","unit":"SN-3","id":10})");
    await(R"("id":10,"command":"start","station":"./tty2","unit":"SN-3","shift":")");
    await(R"("event":"run-ended","t")", 2);
    flasher.send(R"({"command":"status","id":11})");
    await(R"("id":11,"command":"status","stations":[)");
    flasher.send(R"({"command":"end","id":12})");
    await(R"("id":12,"command":"end")");
    await(R"("event":"shift-summary")");
    const ProcessResult ended = flasher.wait(30s);
    EXPECT_EQ(ended.exitCode, 0);
    const std::string& events = ended.output;   // the whole stream
    EXPECT_NE(events.find(R"("event":"run-started","t")"), std::string::npos);
    EXPECT_NE(events.find(R"("station":"./tty2","shift":")"), std::string::npos) << "per-run events name their station";
    EXPECT_NE(events.find(R"({"station":"./tty3","state":"unavailable","why":"./tty3: no such device)"),
              std::string::npos)
        << events;
    std::ofstream(dir.path() / "events.jsonl") << events;
    expectValid("json-events.schema.json", "events.jsonl", {"flash-record.schema.json", "shift-summary.schema.json"});
}

// A controller whose commands stop coming ends the shift as "end" does.
TEST_F(Shift, ClosedInputEndsTheControllersShift)
{
    startRadio(0);
    Process flasher({ZORVANE_FLASH, "--stations", "--json", "--port", "./tty0", "--platform", "tessivar", "--record",
                     "closed.jsonl"},
                    dir.path().string(), true);
    awaitLine(flasher, R"("event":"armed")");
    flasher.closeInput();
    const ProcessResult ended = flasher.wait(30s);
    EXPECT_EQ(ended.exitCode, 0);
    EXPECT_NE(ended.output.find("Ending the shift (the controller's input closed)"), std::string::npos) << ended.output;
    EXPECT_NE(ended.output.find(R"("event":"shift-summary")"), std::string::npos) << ended.output;
}

} // namespace
} // namespace zorvane

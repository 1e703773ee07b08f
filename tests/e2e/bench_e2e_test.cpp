// A production bench: several simulated radios flashed by one zorvane-flash
// command, one of them failing, every run kept as a flash record.
#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <optional>

#include "e2e/process.h"
#include "files/sha256.h"
#include "files/text_files.h"
#include "kit/temp_dir.h"
#include "srec_memory.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using testkit::Process;
using testkit::ProcessResult;

constexpr int kRadios = 4;
constexpr int kFailing = 2;   // the third radio garbles a FLASH block's sum

TEST(Bench, FourRadiosOneFailingItsFlashStage)
{
    testkit::TempDir dir;
    Process make({ZORVANE_MAKE_DEMO, dir.path().string()}, dir.path().string());
    ASSERT_EQ(make.wait(30s).exitCode, 0);

    std::vector<std::optional<Process>> radios(kRadios);
    std::vector<std::string> args{ZORVANE_FLASH, "--platform", "tessivar", "--yes", "--record", "records.jsonl"};
    for (int i = 0; i < kRadios; ++i) {
        const std::string link = (dir.path() / ("tty" + std::to_string(i))).string();
        std::vector<std::string> sim{ZORVANE_RADIOSIM, "--link", link, "--runs", "1", "--dump",
                                     "radio" + std::to_string(i)};
        if (i == kFailing)
            sim.insert(sim.end(), {"--fault", "wrong-block-sum=3"});
        radios[i].emplace(sim, dir.path().string());
        ASSERT_EQ(radios[i]->readLine(10s).rfind("/dev/pts/", 0), 0u);
        args.insert(args.end(), {"--port", link});
    }
    for (int i = 0; i < kRadios; ++i)
        args.insert(args.end(), {"--unit", "SN-" + std::to_string(100 + i)});

    Process flasher(args, dir.path().string());
    const ProcessResult run = flasher.wait(120s);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 8) << "the FLASH stage's status\n" << run.output;
    EXPECT_NE(run.output.find("Port "), std::string::npos) << "the summary table\n" << run.output;

    const auto image = radio::ReadSRecordMemory((dir.path() / "tessivar.s19").string());
    for (int i = 0; i < kRadios; ++i) {
        EXPECT_EQ(radios[i]->wait(10s).exitCode, 0);
        if (i == kFailing)
            continue;
        const auto held = radio::ReadSRecordMemory((dir.path() / ("radio" + std::to_string(i)) / "flash.s19").string());
        ASSERT_TRUE(image && held);
        EXPECT_EQ(radio::FirstDifference(*image, *held), "") << "radio " << i;
    }

    const std::string firmware = files::ReadFileBytes((dir.path() / "tessivar.s19").string());
    std::ifstream records(dir.path() / "records.jsonl");
    std::vector<std::string> lines;
    for (std::string line; std::getline(records, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRadios));
    // Each record is kept as its run ends: find each port's own.
    for (int i = 0; i < kRadios; ++i) {
        const std::string port = (dir.path() / ("tty" + std::to_string(i))).string();
        const auto own = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find("\"port\":\"" + port + "\"") != std::string::npos;
        });
        ASSERT_NE(own, lines.end()) << port;
        const std::string& record = *own;
        EXPECT_NE(record.find("\"firmware\":{\"file\":\"tessivar.s19\",\"size\":" + std::to_string(firmware.size()) +
                              ",\"sha256\":\"" + files::Sha256Hex(firmware) + "\","),
                  std::string::npos)
            << record;
        EXPECT_NE(record.find("\"unit\":\"SN-" + std::to_string(100 + i) + "\""), std::string::npos) << record;
        const char* outcome = i == kFailing ? "\"outcome\":{\"stage\":\"flash\"" : "\"outcome\":{\"stage\":\"success\"";
        EXPECT_NE(record.find(outcome), std::string::npos) << record;
    }

    // Real records, as the flasher wrote them, against the published schema.
    Process validate({"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                      ZORVANE_SOURCE_DIR "/docs/flash-record.schema.json", (dir.path() / "records.jsonl").string()},
                     dir.path().string());
    const ProcessResult validated = validate.wait(30s);
    EXPECT_EQ(validated.exitCode, 0) << validated.output;
}

// A line controller's stream: four radios, one failing, as JSON events on
// standard output and nothing else there; it validates against the
// published schema and ends with four run-ended events and one summary.
TEST(Bench, JsonEventStreamOfFourRadios)
{
    testkit::TempDir dir;
    Process make({ZORVANE_MAKE_DEMO, dir.path().string()}, dir.path().string());
    ASSERT_EQ(make.wait(30s).exitCode, 0);
    std::vector<std::optional<Process>> radios(kRadios);
    std::string command = "exec '" ZORVANE_FLASH "' --platform tessivar --yes --json --no-record";
    for (int i = 0; i < kRadios; ++i) {
        const std::string link = (dir.path() / ("tty" + std::to_string(i))).string();
        std::vector<std::string> sim{ZORVANE_RADIOSIM, "--link", link, "--runs", "1"};
        if (i == kFailing)
            sim.insert(sim.end(), {"--fault", "wrong-block-sum=3"});
        radios[i].emplace(sim, dir.path().string());
        ASSERT_EQ(radios[i]->readLine(10s).rfind("/dev/pts/", 0), 0u);
        command += " --port '" + link + "' --unit SN-" + std::to_string(i);
    }
    Process flasher({"/bin/sh", "-c", command + " >events.jsonl"}, dir.path().string());
    const ProcessResult run = flasher.wait(120s);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 8) << run.output;
    EXPECT_NE(run.output.find("Port "), std::string::npos) << "the table, for people, on standard error";

    std::ifstream stream(dir.path() / "events.jsonl");
    std::vector<std::string> events;
    for (std::string line; std::getline(stream, line);)
        events.push_back(line);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.find("\"event\":\"run-ended\"") != std::string::npos; }),
              kRadios);
    EXPECT_EQ(events.back().rfind("{\"schema\":2,\"event\":\"summary\"", 0), 0u) << events.back();
    EXPECT_NE(events.back().find("\"exit_status\":8}"), std::string::npos) << events.back();
    Process validate({"/usr/bin/python3", ZORVANE_SOURCE_DIR "/tests/schema/validate_jsonl.py",
                      ZORVANE_SOURCE_DIR "/docs/json-events.schema.json", (dir.path() / "events.jsonl").string(),
                      ZORVANE_SOURCE_DIR "/docs/flash-record.schema.json"},
                     dir.path().string());
    const ProcessResult validated = validate.wait(30s);
    EXPECT_EQ(validated.exitCode, 0) << validated.output;
}

} // namespace
} // namespace zorvane

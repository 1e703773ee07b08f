#include <gtest/gtest.h>

#include "cli/controller_commands.h"
#include "cli/shift_tally.h"
#include "cli/station_input.h"

namespace zorvane::cli {
namespace {

using std::chrono::seconds;

const std::vector<std::string> kStations{"/dev/ttyUSB0", "/dev/ttyUSB1", "./tty2"};

TEST(StationLines, EachLineAsksForOneThing)
{
    const struct Case {
        std::string line;
        bool noUnits;
        StationLine asked;
    } cases[] = {
        {"", false, std::monostate{}},          // a scanner's misfire does nothing
        {"", true, ScannedLabel{""}},           // without labels Enter starts a radio
        {"q", false, EndShift{}},
        {"SN-4711", false, ScannedLabel{"SN-4711"}},
        {"@2", false, ChooseStation{1}},
        {"@./tty2", false, ChooseStation{2}},   // the port as given
        {"@4", false, UnknownStation{"No station @4: give @1 to @3 or a port as given."}},
        {"@", false, UnknownStation{"No station @: give @1 to @3 or a port as given."}},
    };
    for (const Case& c : cases) {
        const StationLine asked = ReadStationLine(c.line, kStations, c.noUnits);
        ASSERT_EQ(asked.index(), c.asked.index()) << c.line;
        if (const auto* label = std::get_if<ScannedLabel>(&asked)) {
            EXPECT_EQ(label->label, std::get<ScannedLabel>(c.asked).label);
        } else if (const auto* chosen = std::get_if<ChooseStation>(&asked)) {
            EXPECT_EQ(chosen->index, std::get<ChooseStation>(c.asked).index) << c.line;
        } else if (const auto* unknown = std::get_if<UnknownStation>(&asked)) {
            EXPECT_EQ(unknown->said, std::get<UnknownStation>(c.asked).said);
        }
    }
}

TEST(StationLines, NextIsTheArmedStationAfterTheLastUsed)
{
    const struct Case {
        std::vector<bool> armed;
        std::optional<std::size_t> lastUsed, chosen, next;
    } cases[] = {
        {{true, true, true}, std::nullopt, std::nullopt, 0},
        {{true, true, true}, 0, std::nullopt, 1},
        {{true, false, true}, 0, std::nullopt, 2},     // a busy station is passed over
        {{true, true, false}, 1, std::nullopt, 0},     // round to the first
        {{false, true, false}, 1, std::nullopt, 1},    // the one used last, armed again, when it is alone
        {{false, false, false}, 1, std::nullopt, std::nullopt},
        {{true, true, true}, 0, 2, 2},                 // a chosen station while it is armed
        {{true, true, false}, 0, 2, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextStation(c.armed, c.lastUsed, c.chosen), c.next)
            << ::testing::PrintToString(c.armed) << " last " << c.lastUsed.value_or(99);
}

// Two stations, four units: a unit failed on one station and flashed on
// the other, a radio without a label, a unit whose last run failed.
TEST(ShiftTally, FiguresOfAShift)
{
    const ShiftClock::time_point t0{};
    ShiftTally tally(t0);
    const auto run = [&](std::size_t station, std::string unit, int scan, int end, int exitCode) {
        tally.add({station, std::move(unit), t0 + seconds(scan), t0 + seconds(end), exitCode == 0, exitCode});
    };
    run(0, "SN-1", 0, 50, 0);
    run(1, "SN-2", 10, 40, 5);
    run(0, "SN-2", 60, 100, 0);
    run(1, "", 110, 160, 0);
    run(1, "SN-4", 170, 200, 8);
    run(0, "SN-1x", 200, 260, 6);
    run(0, "SN-1x", 270, 330, 0);

    EXPECT_EQ(tally.runs(), 7u);
    EXPECT_EQ(tally.good(), 4u);
    const StationFigures first = tally.station(0);
    EXPECT_EQ(first.runs, 4u);
    EXPECT_EQ(first.failed, 1u);
    EXPECT_DOUBLE_EQ(*first.firstPassYield, 0.5);   // SN-1 at once, SN-1x at the second run
    EXPECT_DOUBLE_EQ(*first.meanRunSeconds, (50 + 40 + 60 + 60) / 4.0);
    EXPECT_DOUBLE_EQ(*first.meanCycleSeconds, 270 / 3.0);
    const StationFigures second = tally.station(1);
    EXPECT_DOUBLE_EQ(*second.firstPassYield, 1 / 3.0);   // SN-2 and SN-4 failed, the unlabelled one did not
    EXPECT_DOUBLE_EQ(*tally.yield(), 4 / 5.0);          // of five units, SN-4 failed last
    EXPECT_EQ(tally.exitCode(), 8) << "SN-2's failure was mended by its second run";
    EXPECT_DOUBLE_EQ(tally.radiosPerHour(t0 + seconds(360)), 7 * 10.0);
    // Only the last quarter hour counts once the shift is longer.
    EXPECT_DOUBLE_EQ(tally.radiosPerHour(t0 + seconds(900 + 150)), 4 * 4.0);
    EXPECT_EQ(ShiftTally(t0).station(0).firstPassYield, std::nullopt);
    EXPECT_EQ(ShiftTally(t0).exitCode(), 0);
}

TEST(ControllerCommands, EachLineIsACommandOrARefusal)
{
    using K = ControllerCommand::Kind;
    const struct Case {
        const char* line;
        std::optional<K> kind;   // none: refused
        const char* unit;
        const char* station;
        const char* reason;
        const char* id;          // as JSON
    } cases[] = {
        {R"({"command":"start","unit":"SN-4711"})", K::Start, "SN-4711", "", "", "null"},
        {R"({"command":"start","unit":"SN-1","station":"/dev/ttyUSB2","id":7})", K::Start, "SN-1", "/dev/ttyUSB2", "", "7"},
        {R"({"id":"a","command":"next","station":3})", K::Next, "", "3", "", "\"a\""},
        {R"({"command":"status"})", K::Status, "", "", "", "null"},
        {R"({"command":"end","id":{"n":1}})", K::End, "", "", "", R"({"n":1})"},
        {R"({"command":"next","id":2})", std::nullopt, "", "", "malformed", "2"},
        {R"({"command":"start","unit":4711,"id":3})", std::nullopt, "", "", "malformed", "3"},
        {R"({"command":"flash","id":4})", std::nullopt, "", "", "unknown-command", "4"},
        {R"({"unit":"SN-1"})", std::nullopt, "", "", "malformed", "null"},
        {R"(["start"])", std::nullopt, "", "", "malformed", "null"},
        {"start SN-1", std::nullopt, "", "", "malformed", "null"},
    };
    for (const Case& c : cases) {
        const auto read = ReadControllerCommand(c.line);
        if (c.kind) {
            ASSERT_TRUE(std::holds_alternative<ControllerCommand>(read)) << c.line;
            const ControllerCommand& command = std::get<ControllerCommand>(read);
            EXPECT_EQ(command.kind, *c.kind) << c.line;
            EXPECT_EQ(command.unit.value_or(""), c.unit) << c.line;
            EXPECT_EQ(command.station.value_or(""), c.station) << c.line;
            EXPECT_EQ(command.id.dump(), c.id) << c.line;
        } else {
            ASSERT_TRUE(std::holds_alternative<CommandRefused>(read)) << c.line;
            EXPECT_EQ(std::get<CommandRefused>(read).reason, c.reason) << c.line;
            EXPECT_EQ(std::get<CommandRefused>(read).id.dump(), c.id) << c.line;
        }
    }
    EXPECT_EQ(StationNamed("2", kStations), 1u);
    EXPECT_EQ(StationNamed("./tty2", kStations), 2u);
    EXPECT_EQ(StationNamed("0", kStations), std::nullopt);
    EXPECT_EQ(StationNamed("1", {"2", "1"}), 1u) << "a port given as 1 is named 1, whatever its place";
}

} // namespace
} // namespace zorvane::cli

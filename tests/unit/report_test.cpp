#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

#include <nlohmann/json.hpp>

#include "kit/temp_dir.h"
#include "report/report_figures.h"
#include "report/report_runs.h"
#include "report/report_writers.h"

namespace zorvane::report {
namespace {

struct Made {
    const char* time;
    const char* unit;   // "" for none
    const char* host;
    const char* stage;
    const char* kind;   // "" for no fault
    const char* firmware;
    const char* signer; // "" for unsigned
    double durationS;
};

// A record line as a bench writes it, with the fields the report reads.
std::string recordLine(const Made& m)
{
    nlohmann::json record = {{"schema", 3},       {"time", m.time},   {"host", m.host}, {"port", "/dev/ttyUSB0"},
                             {"station", nullptr}, {"duration_s", m.durationS}};
    record["unit"] = *m.unit ? nlohmann::json(m.unit) : nlohmann::json(nullptr);
    record["outcome"] = {{"stage", m.stage}, {"fault", nullptr}};
    if (*m.kind)
        record["outcome"]["fault"] = {{"kind", m.kind}};
    record["images"] = {{"firmware", {{"data_sha256", m.firmware}}}};
    record["manifest"] = *m.signer ? nlohmann::json{{"signed_by", m.signer}} : nlohmann::json(nullptr);
    return record.dump() + "\n";
}

// SN-1 fails then succeeds around midnight; two radios without a label,
// one failed, one good; SN-3 cancelled.
const Made kLine[] = {
    {"2026-12-07T22:30:00Z", "SN-1", "bench-a", "flash", "block-sum", "aaaa", "", 50.0},
    {"2026-12-07T23:10:00Z", "SN-1", "bench-a", "success", "", "aaaa", "", 52.0},
    {"2026-12-08T08:00:00Z", "SN-2", "bench-b", "success", "", "bbbb", "KEY", 48.0},
    {"2026-12-08T08:20:00Z", "", "bench-b", "boot", "no-version", "bbbb", "KEY", 3.0},
    {"2026-12-08T08:40:00Z", "", "bench-b", "success", "", "bbbb", "KEY", 51.0},
    {"2026-12-08T09:05:00Z", "SN-3", "bench-b", "cancelled", "stopped", "bbbb", "KEY", 10.0},
};

std::vector<ReportRun> lineRuns()
{
    std::vector<ReportRun> runs;
    for (const Made& m : kLine)
        runs.push_back(*RunOf(nlohmann::json::parse(recordLine(m))));
    return runs;
}

#ifndef _WIN32
// The test's time zone, put back after it.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone)
    {
        if (const char* was = std::getenv("TZ"))
            previous_ = was;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope()
    {
        previous_ ? setenv("TZ", previous_->c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> previous_;
};
#endif

using TallyRow = std::array<std::size_t, 5>;   // radios, good, units, unitsGood, firstPass

TallyRow rowOf(const Tally& t) { return {t.radios, t.good, t.units, t.unitsGood, t.firstPass}; }

TEST(Report, FiguresPerDayBenchAndHourInTheZone)
{
#ifdef _WIN32
    GTEST_SKIP() << "the zones are POSIX TZ names";
#else
    const bool berlinKnown = std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin");
    const struct Case {
        const char* tz;
        Zone zone;
        std::map<std::string, TallyRow> days;
        std::map<std::size_t, std::size_t> hours;
    } cases[] = {
        {"UTC", Zone::Local, {{"2026-12-07", {2, 1, 1, 1, 0}}, {"2026-12-08", {4, 2, 4, 2, 2}}},
         {{22, 1}, {23, 1}, {8, 3}, {9, 1}}},
        // Berlin is an hour ahead in December: SN-1's good run falls on the 8th, its first there.
        {"Europe/Berlin", Zone::Local, {{"2026-12-07", {1, 0, 1, 0, 0}}, {"2026-12-08", {5, 3, 5, 3, 3}}},
         {{23, 1}, {0, 1}, {9, 3}, {10, 1}}},
        {"Europe/Berlin", Zone::Utc, {{"2026-12-07", {2, 1, 1, 1, 0}}, {"2026-12-08", {4, 2, 4, 2, 2}}},
         {{22, 1}, {23, 1}, {8, 3}, {9, 1}}},
    };
    for (const Case& c : cases) {
        if (std::string_view(c.tz) == "Europe/Berlin" && !berlinKnown)
            continue;
        const ZoneScope scope(c.tz);
        const Figures f = ComputeFigures(lineRuns(), {{52.0, 57.5}, {50.0, std::nullopt}, {49.0, 61.0}}, c.zone);
        SCOPED_TRACE(c.tz);
        EXPECT_EQ(rowOf(f.total), (TallyRow{6, 3, 5, 3, 2}));
        std::map<std::string, TallyRow> days;
        for (const auto& [day, tally] : f.byDay)
            days[day] = rowOf(tally);
        EXPECT_EQ(days, c.days);
        std::map<std::size_t, std::size_t> hours;
        for (std::size_t h = 0; h < kHoursInDay; ++h)
            if (f.radiosByHour[h] > 0)
                hours[h] = f.radiosByHour[h];
        EXPECT_EQ(hours, c.hours);
        EXPECT_EQ(rowOf(f.byBench.at("bench-a")), (TallyRow{2, 1, 1, 1, 0}));
        EXPECT_EQ(rowOf(f.byBench.at("bench-b")), (TallyRow{4, 2, 4, 2, 2}));
        EXPECT_EQ(f.byDayAndBench.size(), c.zone == Zone::Utc || std::string_view(c.tz) == "UTC" ? 2u : 3u);
    }
#endif
}

TEST(Report, FailuresFirmwareUnitsAndTimes)
{
    const Figures f = ComputeFigures(lineRuns(), {{52.0, 57.5}, {50.0, std::nullopt}, {49.0, 61.0}}, Zone::Utc);
    EXPECT_EQ(f.failuresByStage, (std::map<std::string, std::size_t>{{"boot", 1}, {"cancelled", 1}, {"flash", 1}}));
    EXPECT_EQ(f.failuresByKind,
              (std::map<std::string, std::size_t>{{"block-sum", 1}, {"no-version", 1}, {"stopped", 1}}));
    ASSERT_EQ(f.firmware.size(), 2u);
    EXPECT_EQ(f.firmware[0].firmware + "/" + f.firmware[0].signer, "bbbb/KEY");
    EXPECT_EQ((std::array{f.firmware[0].units, f.firmware[0].radios}), (std::array<std::size_t, 2>{2, 4}));
    EXPECT_EQ((std::array{f.firmware[1].units, f.firmware[1].radios}), (std::array<std::size_t, 2>{1, 2}));
    std::vector<std::string> units;
    for (const UnitRow& row : f.units)
        units.push_back(row.unit + ":" + row.run.stage + ":" + std::to_string(row.runs));
    EXPECT_EQ(units, (std::vector<std::string>{"SN-3:cancelled:1", ":success:1", ":boot:1", "SN-2:success:1",
                                               "SN-1:success:2"}));
    // 3, 10, 48, 50, 51, 52 s in bins of 5 s; the shifts' two cycle means in bins of 5 s.
    EXPECT_EQ(f.runTimes.binWidthS, 5.0);
    EXPECT_EQ(f.runTimes.counts, (std::vector<std::size_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 3}));
    EXPECT_EQ(f.cycleTimes.binWidthS, 5.0);
    EXPECT_EQ(f.cycleTimes.counts.size(), 13u);
    EXPECT_EQ(f.cycleTimes.counts[11] + f.cycleTimes.counts[12], 2u);
}

TEST(Report, ReadsTheLiveFileAndTheArchivesOfThePeriod)
{
    const testkit::TempDir dir;
    const auto line = [](const char* time, const char* unit) {
        return recordLine({time, unit, "bench-a", "success", "", "aaaa", "", 50.0});
    };
    dir.write("line.2026-10.jsonl", line("2026-10-20T10:00:00Z", "OCT"));
    dir.write("line.2026-11.jsonl", line("2026-11-20T10:00:00Z", "NOV") + line("2026-10-31T23:00:00Z", "LATE"));
    dir.write("other.2026-11.jsonl", line("2026-11-21T10:00:00Z", "OTHER"));
    dir.write("line.jsonl", line("2026-12-08T10:00:00Z", "DEC2") + "not a record\n" +
                                line("2026-12-01T10:00:00Z", "DEC1") + R"({"time":"2026-12-09T10:00:00Z")");
    dir.write("line.shifts.jsonl",
              R"({"started":"2026-12-08T07:00:00Z","stations":[{"mean_run_s":50,"mean_cycle_s":55},)"
              R"({"mean_run_s":null,"mean_cycle_s":null}]})"
              "\n"
              R"({"started":"2026-10-08T07:00:00Z","stations":[{"mean_run_s":50,"mean_cycle_s":55}]})"
              "\n{}\n");
    const Period period{*ParseRecordTime("2026-11-01T00:00:00Z"), std::nullopt};
    const RunsRead read = ReadRuns("line.jsonl", period);
    EXPECT_EQ(read.error, std::nullopt);
    std::vector<std::string> units, files;
    for (const ReportRun& run : read.runs)
        units.push_back(run.unit);
    for (const std::string& file : read.files)
        files.push_back(std::filesystem::path(file).filename().string());
    // The October record filed late in November's archive is outside the period all the same.
    EXPECT_EQ(units, (std::vector<std::string>{"NOV", "DEC1", "DEC2"}));
    EXPECT_EQ(files, (std::vector<std::string>{"line.2026-11.jsonl", "line.jsonl"}));
    EXPECT_EQ(read.unreadable, 1u) << "the line being written is not counted";
    const ShiftTimesRead shifts = ReadShiftTimes("line.shifts.jsonl", period);
    ASSERT_EQ(shifts.stations.size(), 2u);
    EXPECT_EQ(shifts.stations[0].meanCycleS, 55.0);
    EXPECT_EQ(shifts.stations[1].meanRunS, std::nullopt);
    EXPECT_EQ(shifts.unreadable, 1u);
    EXPECT_EQ(ReadRuns("none.jsonl", period).runs.size(), 0u);
}

// The part of the page between two markers.
std::string between(const std::string& text, const std::string& from, const std::string& to)
{
    const std::size_t start = text.find(from);
    if (start == std::string::npos)
        return {};
    return text.substr(start + from.size(), text.find(to, start + from.size()) - start - from.size());
}

TEST(Report, TheRecordsTextIsEscapedInThePageAndQuotedInTheCsv)
{
    const char* hostile = "</script><img src=x onerror=alert(1)>\"A,'B&";
    std::vector<ReportRun> runs = lineRuns();
    runs.back().unit = hostile;
    runs.back().host = "<b>bench</b>";
    runs.back().stage = "<!--";
    const Figures f = ComputeFigures(runs, {}, Zone::Utc);
    std::ostringstream page;
    WriteHtml(page, f, {"every record", "UTC", "line.jsonl"}, "/*chart*/");
    const std::string html = page.str();
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("<!--"), std::string::npos);
    EXPECT_NE(html.find("<td>&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;&quot;A,&#39;B&amp;</td>"),
              std::string::npos);
    std::size_t scripts = 0;
    for (std::size_t at = html.find("</script"); at != std::string::npos; at = html.find("</script", at + 1))
        ++scripts;
    EXPECT_EQ(scripts, 4u) << "the hook, the data, the library and the page's own";
    const auto data = nlohmann::json::parse(between(html, "id=\"report-data\">", "</script>"));
    EXPECT_EQ(data["benches"], (nlohmann::json{"<b>bench</b>", "bench-a", "bench-b"}));
    EXPECT_EQ(data["stages"][0], "<!--");
    EXPECT_EQ(between(html, "<td class=\"n\" id=\"total-radios\">", "<"), "6");

    std::ostringstream csv;
    WriteCsv(csv, f);
    std::istringstream lines(csv.str());
    std::string header, first;
    std::getline(lines, header);
    std::getline(lines, first);
    EXPECT_EQ(header, "schema,unit,time,bench,port,station,outcome,fault_kind,firmware_data_sha256,signed_by,runs\r");
    EXPECT_EQ(first, "1,\"</script><img src=x onerror=alert(1)>\"\"A,'B&\",2026-12-08T09:05:00Z,<b>bench</b>,"
                     "/dev/ttyUSB0,,<!--,stopped,bbbb,KEY,1\r");
}

TEST(Report, TheTextTables)
{
    std::ostringstream text;
    WriteText(text, ComputeFigures(lineRuns(), {}, Zone::Utc), {"2026-12-07 to 2026-12-08", "UTC", "line.jsonl"});
    const std::string expected[] = {
        "Line report: 2026-12-07 to 2026-12-08, times in UTC, from line.jsonl\n",
        "Per day\n"
        "  day         radios  good  units  yield   first pass\n"
        "  2026-12-07  2       1     1      100.0%  0.0%\n"
        "  2026-12-08  4       2     4      50.0%   50.0%\n",
        "Failures by fault kind\n  kind        radios\n  block-sum   1\n  no-version  1\n  stopped     1\n",
        "Cycle time (shifts' station means)\n  seconds  stations\n  (none)\n",
        "  08:00  3       2\n",
        "  bbbb      KEY        2      4\n  aaaa      unsigned   1      2\n",
    };
    for (const std::string& part : expected)
        EXPECT_NE(text.str().find(part), std::string::npos) << part << "\nin\n" << text.str();
}

} // namespace
} // namespace zorvane::report

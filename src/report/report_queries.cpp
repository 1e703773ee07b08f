#include "report/report_queries.h"

#include <algorithm>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "os/utc_time.h"

namespace zorvane::report {

namespace {

// A unit: its label, or for a run without one the run itself.
const std::string kUnitKey = "coalesce('L' || nullif(unit, ''), '#' || id::text) COLLATE \"C\"";
const std::string kPeriod = "time >= $1::timestamptz AND time < $2::timestamptz AND stage IS NOT NULL";

// Each unit's first and last outcome within each day and bench, day, bench
// and the whole period, then counted per group. A unit's first run succeeded
// when its earliest success is its earliest run: plain minima, which the
// server hashes, where an ordered aggregate would sort every group.
const std::string kTallies = R"(
WITH runs AS (
  SELECT (time AT TIME ZONE $3)::date AS day, coalesce(bench_host, '') AS bench,
         )" + kUnitKey + R"( AS unit_key, stage = 'success' AS good, time
  FROM flash_records WHERE )" + kPeriod + R"(),
per_unit AS (
  SELECT grouping(day, bench) AS level, day, bench, count(*) AS radios, count(*) FILTER (WHERE good) AS good,
         min(time) = min(time) FILTER (WHERE good) AS first_good,
         max(time) = max(time) FILTER (WHERE good) AS last_good
  FROM runs GROUP BY GROUPING SETS ((day, bench, unit_key), (day, unit_key), (bench, unit_key), (unit_key)))
SELECT json_build_array(level, to_char(day, 'YYYY-MM-DD'), bench, sum(radios), sum(good), count(*),
                        count(*) FILTER (WHERE last_good), count(*) FILTER (WHERE first_good))::text
FROM per_unit GROUP BY level, day, bench)";

// Failures by stage and by fault kind, run times to the tenth of a second,
// and radios by hour of the day: one pass over the period's rows.
const std::string kSpread = R"(
SELECT json_build_array(grouping(stage, kind, seconds, hour), stage, kind, seconds, hour, count(*),
                        count(*) FILTER (WHERE good))::text
FROM (SELECT stage, coalesce(fault_kind, '') AS kind, round(duration_s, 1) AS seconds,
             extract(hour FROM time AT TIME ZONE $3)::int AS hour, stage = 'success' AS good
      FROM flash_records WHERE )" + kPeriod + R"() AS runs
GROUP BY GROUPING SETS ((stage), (kind), (seconds), (hour)))";

// Counted by the firmware file's indexed column; its data SHA-256 is read
// from one record of each.
const std::string kFirmware = R"(
SELECT json_build_array(coalesce((SELECT r.record->'images'->'firmware'->>'data_sha256' FROM flash_records AS r
                                  WHERE r.firmware_sha256 = f.firmware_sha256 LIMIT 1), ''),
                        coalesce(f.manifest_key, ''), f.units, f.radios)::text
FROM (SELECT firmware_sha256, manifest_key, count(*) AS radios,
             count(DISTINCT )" + kUnitKey + R"() FILTER (WHERE stage = 'success') AS units
      FROM flash_records WHERE )" + kPeriod + R"(
      GROUP BY firmware_sha256, manifest_key) AS f)";

// Each unit's last run: the units counted by a hash, then only the newest
// $3 read whole, by their id or by their label's index.
const std::string kUnits = R"(
WITH units AS (
  SELECT nullif(unit, '') AS label, CASE WHEN nullif(unit, '') IS NULL THEN id END AS run,
         max(time) AS last_time, count(*) AS runs
  FROM flash_records WHERE )" + kPeriod + R"(
  GROUP BY 1, 2),
newest AS (SELECT * FROM units ORDER BY last_time DESC, label COLLATE "C" LIMIT $3::bigint)
SELECT json_build_array(coalesce(r.unit, ''), to_char(r.time AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS"Z"'),
                        coalesce(r.bench_host, ''), coalesce(r.port, ''), coalesce(r.record->>'station', ''), r.stage,
                        coalesce(r.fault_kind, ''), coalesce(r.record->'images'->'firmware'->>'data_sha256', ''),
                        coalesce(r.manifest_key, ''), newest.runs)::text
FROM newest CROSS JOIN LATERAL (
  (SELECT * FROM flash_records AS r WHERE newest.run IS NOT NULL AND r.id = newest.run)
  UNION ALL
  (SELECT * FROM flash_records AS r
   WHERE newest.run IS NULL AND r.unit = newest.label AND r.time = newest.last_time AND r.stage IS NOT NULL
   ORDER BY r.id DESC LIMIT 1)
  LIMIT 1) AS r
ORDER BY r.time DESC, coalesce(r.unit, '') COLLATE "C")";

} // namespace

const std::string& QuestionSql(Question question)
{
    switch (question) {
    case Question::Tallies: return kTallies;
    case Question::Spread: return kSpread;
    case Question::Firmware: return kFirmware;
    case Question::Units: return kUnits;
    }
    return kTallies;
}

std::vector<std::string> QuestionParameters(Question question, const Period& period, const std::string& zoneName,
                                            std::size_t units)
{
    std::vector<std::string> parameters{period.since ? os::UtcText(*period.since) : "-infinity",
                                        period.until ? os::UtcText(*period.until) : "infinity"};
    if (question == Question::Tallies || question == Question::Spread)
        parameters.push_back(zoneName);
    if (question == Question::Units)
        parameters.push_back(std::to_string(units));
    return parameters;
}

namespace {

using Row = nlohmann::json;

std::string textOf(const Row& value)
{
    return value.is_string() ? value.get<std::string>() : std::string();
}

Tally tallyOf(const Row& row)
{
    return {row.at(3).get<std::size_t>(), row.at(4).get<std::size_t>(), row.at(5).get<std::size_t>(),
            row.at(6).get<std::size_t>(), row.at(7).get<std::size_t>()};
}

// Levels as the server's grouping() numbers them: day and bench, day, bench, all.
void takeTally(const Row& row, Figures& figures)
{
    const std::string day = textOf(row.at(1)), bench = textOf(row.at(2));
    switch (row.at(0).get<int>()) {
    case 0: figures.byDayAndBench[{day, bench}] = tallyOf(row); break;
    case 1: figures.byDay[day] = tallyOf(row); break;
    case 2: figures.byBench[bench] = tallyOf(row); break;
    default: figures.total = tallyOf(row);
    }
}

void takeFirmware(const Row& row, Figures& figures)
{
    const std::string firmware = textOf(row.at(0)), signer = textOf(row.at(1));
    // Two firmware files that send the same data are one firmware.
    auto use = std::find_if(figures.firmware.begin(), figures.firmware.end(), [&](const FirmwareUse& u) {
        return u.firmware == firmware && u.signer == signer;
    });
    if (use == figures.firmware.end())
        use = figures.firmware.insert(figures.firmware.end(), {firmware, signer, 0, 0});
    use->units += row.at(2).get<std::size_t>();
    use->radios += row.at(3).get<std::size_t>();
}

void takeUnit(const Row& row, Figures& figures)
{
    const auto time = ParseRecordTime(textOf(row.at(1)));
    if (!time)
        throw std::invalid_argument("a unit's time is " + row.at(1).dump());
    const ReportRun run{.time = *time,
                        .host = textOf(row.at(2)),
                        .unit = textOf(row.at(0)),
                        .port = textOf(row.at(3)),
                        .station = textOf(row.at(4)),
                        .stage = textOf(row.at(5)),
                        .faultKind = textOf(row.at(6)),
                        .firmware = textOf(row.at(7)),
                        .signer = textOf(row.at(8)),
                        .durationS = std::nullopt};
    figures.units.push_back({textOf(row.at(0)), run, row.at(9).get<std::size_t>()});
}

// A row of the spread, by the server's grouping() number of its set.
void takeSpread(const Row& row, Figures& figures, std::vector<std::pair<double, std::size_t>>& durations)
{
    constexpr int kByStage = 7, kByKind = 11, kBySeconds = 13, kByHour = 14;
    const auto radios = row.at(5).get<std::size_t>(), good = row.at(6).get<std::size_t>();
    switch (row.at(0).get<int>()) {
    case kByStage:
        if (radios > good)
            figures.failuresByStage[textOf(row.at(1))] += radios - good;
        break;
    case kByKind:
        if (radios > good)
            figures.failuresByKind[textOf(row.at(2))] += radios - good;
        break;
    case kBySeconds:
        if (!row.at(3).is_null())
            durations.emplace_back(row.at(3).get<double>(), radios);
        break;
    case kByHour:
        figures.radiosByHour.at(row.at(4).get<std::size_t>()) = radios;
        figures.goodByHour.at(row.at(4).get<std::size_t>()) = good;
        break;
    default: throw std::invalid_argument("a row of no known set: " + row.dump());
    }
}

void takeRows(Question question, const std::vector<std::string>& rows, Figures& figures)
{
    std::vector<std::pair<double, std::size_t>> durations;
    for (const std::string& text : rows) {
        const Row row = nlohmann::json::parse(text);
        switch (question) {
        case Question::Tallies: takeTally(row, figures); break;
        case Question::Spread: takeSpread(row, figures, durations); break;
        case Question::Firmware: takeFirmware(row, figures); break;
        case Question::Units: takeUnit(row, figures); break;
        }
    }
    if (question == Question::Spread)
        figures.runTimes = HistogramOfCounts(durations);
}

} // namespace

std::variant<Figures, std::string> FiguresOfAnswers(const Answers& answers, Zone zone)
{
    Figures figures;
    figures.zone = zone;
    try {
        for (std::size_t i = 0; i < std::size(kQuestions) && i < answers.size(); ++i)
            takeRows(kQuestions[i], answers[i], figures);
    } catch (const std::exception& e) {
        return std::string("the database's answer for the report cannot be read: ") + e.what();
    }
    std::sort(figures.firmware.begin(), figures.firmware.end(), ComesFirst);
    return figures;
}

} // namespace zorvane::report

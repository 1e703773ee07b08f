// A shift's figures: every radio run on its stations, counted as they end,
// for the live header, the summary at the end and its JSON line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zorvane::cli {

using ShiftClock = std::chrono::steady_clock;

// The layout of a shift's summary line in the shifts file.
constexpr int kShiftSummarySchema = 1;

struct ShiftRun {
    std::size_t station;
    std::string unit;              // empty: the radio had no label (each such run is a radio of its own)
    ShiftClock::time_point scanned;
    ShiftClock::time_point ended;
    bool succeeded = false;
    int exitCode = 0;
};

struct StationFigures {
    std::size_t runs = 0;
    std::size_t good = 0;
    std::size_t failed = 0;
    std::optional<double> firstPassYield;   // of the units whose first run was here
    std::optional<double> meanRunSeconds;   // from the scan to the end
    std::optional<double> meanCycleSeconds; // between consecutive scans here
};

// Radios per hour are counted over the last quarter hour: what the bench
// does now, not since the shift began.
constexpr std::chrono::minutes kRateWindow{15};

class ShiftTally {
public:
    explicit ShiftTally(ShiftClock::time_point started) : started_(started) {}

    void add(ShiftRun run) { runs_.push_back(std::move(run)); }

    std::size_t runs() const { return runs_.size(); }
    std::size_t good() const;
    std::size_t failed() const { return runs() - good(); }
    // Runs ended in the last kRateWindow (or since the start, when shorter), per hour.
    double radiosPerHour(ShiftClock::time_point now) const;
    // Runs ended since the shift began, per hour.
    double shiftRadiosPerHour(ShiftClock::time_point now) const { return perHour(runs(), now - started_); }
    StationFigures station(std::size_t index) const;
    // Units whose last run succeeded, of all units scanned; none before the first run.
    std::optional<double> yield() const;
    // 0 when the last run of every unit succeeded, else the highest exit
    // status among units whose last run failed.
    int exitCode() const;

    static double perHour(std::size_t count, ShiftClock::duration over);

private:
    // Each unit's runs in order, the runs without a label each on their own.
    std::vector<std::vector<const ShiftRun*>> byUnit() const;

    ShiftClock::time_point started_;
    std::vector<ShiftRun> runs_;
};

// The header of the live block: "12 radios, 11 good, 1 failed, 498 radios an hour".
std::string ShiftCounts(const ShiftTally& tally, ShiftClock::time_point now);

// The summary for people, a line per station and one for the bench.
void PrintShiftSummary(std::FILE* out, const ShiftTally& tally, const std::vector<std::string>& stations,
                       ShiftClock::time_point now);

// Per station and for the bench, as the shifts file keeps them.
nlohmann::ordered_json ShiftFigures(const ShiftTally& tally, const std::vector<std::string>& stations,
                                    ShiftClock::time_point now);

} // namespace zorvane::cli

// The line's figures over a period: what the report's page, text and CSV show.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "report/report_runs.h"
#include "report/report_time.h"

namespace zorvane::report {

// Radios (runs) and units: a unit is a label; a run without one is a unit of
// its own. Within a tally, a unit's yield counts its last run there, its
// first pass its first run there.
struct Tally {
    std::size_t radios = 0;
    std::size_t good = 0;        // runs that succeeded
    std::size_t units = 0;
    std::size_t unitsGood = 0;   // units whose last run succeeded
    std::size_t firstPass = 0;   // units whose first run succeeded

    std::optional<double> yield() const { return share(unitsGood); }
    std::optional<double> firstPassYield() const { return share(firstPass); }

private:
    std::optional<double> share(std::size_t part) const
    {
        return units == 0 ? std::nullopt : std::optional(double(part) / double(units));
    }
};

// Counts in bins of equal width from 0 up to the largest value; none without values.
struct Histogram {
    double binWidthS = 1;
    std::vector<std::size_t> counts;
};

struct FirmwareUse {
    std::string firmware;   // data SHA-256; empty: none recorded
    std::string signer;     // the manifest's key; empty: not signed
    std::size_t units = 0;  // units whose successful run wrote it
    std::size_t radios = 0; // runs that carried it, whatever their outcome
};

// The order of the firmware table: most units first, then by SHA-256 and signer.
bool ComesFirst(const FirmwareUse& a, const FirmwareUse& b);

// A unit's last run in the period.
struct UnitRow {
    std::string unit;       // empty: no label
    ReportRun run;
    std::size_t runs = 0;   // the unit's runs in the period
};

constexpr std::size_t kHoursInDay = 24;

struct Figures {
    Zone zone = Zone::Local;
    Tally total;
    std::map<std::string, Tally> byDay;                                  // "2026-12-07"
    std::map<std::string, Tally> byBench;                                // host
    std::map<std::pair<std::string, std::string>, Tally> byDayAndBench;  // (day, host)
    std::map<std::string, std::size_t> failuresByStage;
    std::map<std::string, std::size_t> failuresByKind;                   // "" for a failure without a fault
    Histogram runTimes;                                                  // the records' duration_s
    Histogram cycleTimes;                                                // the shifts' stations' mean cycles
    std::array<std::size_t, kHoursInDay> radiosByHour{};
    std::array<std::size_t, kHoursInDay> goodByHour{};
    std::vector<FirmwareUse> firmware;                                   // most units first
    std::vector<UnitRow> units;                                          // newest last run first
};

// The figures of runs oldest first, and of the shifts' station times.
Figures ComputeFigures(const std::vector<ReportRun>& runs, const std::vector<StationTimes>& stations, Zone zone);

// Bins for values up to their largest: a round width (1, 2 or 5 times a
// power of ten) that makes at most kMostBins bins.
constexpr std::size_t kMostBins = 20;
Histogram HistogramOf(const std::vector<double>& values);
// The same of values each seen a number of times.
Histogram HistogramOfCounts(const std::vector<std::pair<double, std::size_t>>& counts);

} // namespace zorvane::report

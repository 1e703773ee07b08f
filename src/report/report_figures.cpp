#include "report/report_figures.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <unordered_map>

namespace zorvane::report {

namespace {

// A tally being counted: each unit's first and last outcome so far.
class TallyCount {
public:
    void add(const std::string& unitKey, bool good)
    {
        ++tally_.radios;
        tally_.good += good ? 1 : 0;
        units_.try_emplace(unitKey, Outcomes{good, good}).first->second.last = good;
    }

    Tally done() const
    {
        Tally tally = tally_;
        tally.units = units_.size();
        for (const auto& [key, outcomes] : units_) {
            tally.unitsGood += outcomes.last ? 1 : 0;
            tally.firstPass += outcomes.first ? 1 : 0;
        }
        return tally;
    }

private:
    struct Outcomes {
        bool first;
        bool last;
    };
    Tally tally_;
    std::unordered_map<std::string, Outcomes> units_;
};

template <typename Key>
std::map<Key, Tally> doneAll(const std::map<Key, TallyCount>& counts)
{
    std::map<Key, Tally> tallies;
    for (const auto& [key, count] : counts)
        tallies.emplace(key, count.done());
    return tallies;
}

// A labelled unit by its label; a run without one as a unit of its own.
std::string unitKeyOf(const ReportRun& run, std::size_t index)
{
    return run.unit.empty() ? "#" + std::to_string(index) : "L" + run.unit;
}

std::vector<FirmwareUse> firmwareUses(const std::vector<ReportRun>& runs)
{
    std::map<std::pair<std::string, std::string>, std::pair<std::set<std::string>, std::size_t>> uses;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        auto& [units, radios] = uses[{runs[i].firmware, runs[i].signer}];
        ++radios;
        if (runs[i].succeeded())
            units.insert(unitKeyOf(runs[i], i));
    }
    std::vector<FirmwareUse> firmware;
    for (const auto& [key, use] : uses)
        firmware.push_back({key.first, key.second, use.first.size(), use.second});
    std::sort(firmware.begin(), firmware.end(), ComesFirst);
    return firmware;
}

std::vector<UnitRow> unitRows(const std::vector<ReportRun>& runs)
{
    std::unordered_map<std::string, UnitRow> last;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        UnitRow& row = last[unitKeyOf(runs[i], i)];
        row.unit = runs[i].unit;
        row.run = runs[i];
        ++row.runs;
    }
    std::vector<UnitRow> rows;
    rows.reserve(last.size());
    for (auto& [key, row] : last)
        rows.push_back(std::move(row));
    std::sort(rows.begin(), rows.end(), [](const UnitRow& a, const UnitRow& b) {
        return a.run.time != b.run.time ? a.run.time > b.run.time : a.unit < b.unit;
    });
    return rows;
}

void countFailure(const ReportRun& run, Figures& figures)
{
    if (run.succeeded())
        return;
    ++figures.failuresByStage[run.stage];
    ++figures.failuresByKind[run.faultKind];
}

Histogram cycleHistogram(const std::vector<StationTimes>& stations)
{
    std::vector<double> cycles;
    for (const StationTimes& station : stations)
        if (station.meanCycleS)
            cycles.push_back(*station.meanCycleS);
    return HistogramOf(cycles);
}

} // namespace

bool ComesFirst(const FirmwareUse& a, const FirmwareUse& b)
{
    return std::tie(b.units, a.firmware, a.signer) < std::tie(a.units, b.firmware, b.signer);
}

Figures ComputeFigures(const std::vector<ReportRun>& runs, const std::vector<StationTimes>& stations, Zone zone)
{
    Figures figures;
    figures.zone = zone;
    TallyCount total;
    std::map<std::string, TallyCount> byDay, byBench;
    std::map<std::pair<std::string, std::string>, TallyCount> byDayAndBench;
    std::vector<double> durations;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const ReportRun& run = runs[i];
        const LocalMoment moment = LocalMomentOf(run.time, zone);
        const std::string key = unitKeyOf(run, i);
        for (TallyCount* count : {&total, &byDay[moment.day], &byBench[run.host], &byDayAndBench[{moment.day, run.host}]})
            count->add(key, run.succeeded());
        ++figures.radiosByHour[std::size_t(moment.hour)];
        figures.goodByHour[std::size_t(moment.hour)] += run.succeeded() ? 1 : 0;
        countFailure(run, figures);
        if (run.durationS)
            durations.push_back(*run.durationS);
    }
    figures.total = total.done();
    figures.byDay = doneAll(byDay);
    figures.byBench = doneAll(byBench);
    figures.byDayAndBench = doneAll(byDayAndBench);
    figures.runTimes = HistogramOf(durations);
    figures.cycleTimes = cycleHistogram(stations);
    figures.firmware = firmwareUses(runs);
    figures.units = unitRows(runs);
    return figures;
}

Histogram HistogramOf(const std::vector<double>& values)
{
    std::vector<std::pair<double, std::size_t>> counts;
    counts.reserve(values.size());
    for (double value : values)
        counts.emplace_back(value, 1);
    return HistogramOfCounts(counts);
}

Histogram HistogramOfCounts(const std::vector<std::pair<double, std::size_t>>& counts)
{
    Histogram histogram;
    if (counts.empty())
        return histogram;
    double largest = 0;
    for (const auto& [value, count] : counts)
        largest = std::max(largest, value);
    for (double power = 1e-3; histogram.counts.empty(); power *= 10)
        for (double step : {1.0, 2.0, 5.0})
            if (histogram.counts.empty() && largest / (step * power) < double(kMostBins)) {
                histogram.binWidthS = step * power;
                histogram.counts.assign(std::size_t(largest / histogram.binWidthS) + 1, 0);
            }
    for (const auto& [value, count] : counts) {
        const auto bin = std::size_t(std::max(0.0, value) / histogram.binWidthS);
        histogram.counts[std::min(bin, histogram.counts.size() - 1)] += count;
    }
    return histogram;
}

} // namespace zorvane::report

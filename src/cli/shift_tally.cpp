#include "cli/shift_tally.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "files/shown_text.h"
#include "records/json_line.h"

namespace zorvane::cli {

namespace {

double seconds(ShiftClock::duration time)
{
    return std::chrono::duration<double>(time).count();
}

nlohmann::ordered_json orNull(const std::optional<double>& value, bool asSeconds = false)
{
    if (!value)
        return nullptr;
    return asSeconds ? JsonSeconds(std::chrono::duration<double>(*value)) : *value;
}

std::string shown(const std::optional<double>& value, const char* format)
{
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, *value);
    return text;
}

} // namespace

double ShiftTally::perHour(std::size_t count, ShiftClock::duration over)
{
    const double hours = seconds(over) / 3600;
    return hours > 0 ? count / hours : 0;
}

std::size_t ShiftTally::good() const
{
    return static_cast<std::size_t>(std::count_if(runs_.begin(), runs_.end(), [](const ShiftRun& run) {
        return run.succeeded;
    }));
}

double ShiftTally::radiosPerHour(ShiftClock::time_point now) const
{
    const ShiftClock::time_point from = std::max(started_, now - ShiftClock::duration(kRateWindow));
    const auto recent = std::count_if(runs_.begin(), runs_.end(), [&](const ShiftRun& run) {
        return run.ended >= from && run.ended <= now;
    });
    return perHour(static_cast<std::size_t>(recent), now - from);
}

std::vector<std::vector<const ShiftRun*>> ShiftTally::byUnit() const
{
    std::vector<std::vector<const ShiftRun*>> units;
    std::map<std::string, std::size_t> index;
    for (const ShiftRun& run : runs_) {
        if (run.unit.empty()) {
            units.push_back({&run});
            continue;
        }
        const auto [found, added] = index.try_emplace(run.unit, units.size());
        if (added)
            units.emplace_back();
        units[found->second].push_back(&run);
    }
    return units;
}

StationFigures ShiftTally::station(std::size_t index) const
{
    StationFigures figures;
    double runTime = 0;
    std::optional<ShiftClock::time_point> lastScan;
    double cycles = 0;
    std::size_t cycleCount = 0;
    for (const ShiftRun& run : runs_) {
        if (run.station != index)
            continue;
        ++figures.runs;
        (run.succeeded ? figures.good : figures.failed)++;
        runTime += seconds(run.ended - run.scanned);
        if (lastScan) {
            cycles += seconds(run.scanned - *lastScan);
            ++cycleCount;
        }
        lastScan = run.scanned;
    }
    if (figures.runs > 0)
        figures.meanRunSeconds = runTime / figures.runs;
    if (cycleCount > 0)
        figures.meanCycleSeconds = cycles / cycleCount;
    std::size_t first = 0, firstGood = 0;
    for (const auto& unit : byUnit())
        if (unit.front()->station == index) {
            ++first;
            firstGood += unit.front()->succeeded ? 1 : 0;
        }
    if (first > 0)
        figures.firstPassYield = static_cast<double>(firstGood) / first;
    return figures;
}

std::optional<double> ShiftTally::yield() const
{
    const auto units = byUnit();
    if (units.empty())
        return std::nullopt;
    const auto good = std::count_if(units.begin(), units.end(), [](const auto& runs) { return runs.back()->succeeded; });
    return static_cast<double>(good) / units.size();
}

int ShiftTally::exitCode() const
{
    int code = 0;
    for (const auto& unit : byUnit())
        if (!unit.back()->succeeded)
            code = std::max(code, unit.back()->exitCode);
    return code;
}

std::string ShiftCounts(const ShiftTally& tally, ShiftClock::time_point now)
{
    char text[128];
    std::snprintf(text, sizeof text, "%zu radio%s, %zu good, %zu failed, %.0f radios an hour", tally.runs(),
                  tally.runs() == 1 ? "" : "s", tally.good(), tally.failed(), tally.radiosPerHour(now));
    return text;
}

void PrintShiftSummary(std::FILE* out, const ShiftTally& tally, const std::vector<std::string>& stations,
                       ShiftClock::time_point now)
{
    std::fprintf(out, "%-24s %5s %5s %6s %10s %9s %10s\n", "Station", "Runs", "Good", "Failed", "First pass",
                 "Mean run", "Mean cycle");
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const StationFigures f = tally.station(i);
        std::optional<double> percent;
        if (f.firstPassYield)
            percent = *f.firstPassYield * 100;
        std::fprintf(out, "%-24s %5zu %5zu %6zu %10s %9s %10s\n", files::ShownText(stations[i]).c_str(), f.runs,
                     f.good, f.failed, shown(percent, "%.0f %%").c_str(), shown(f.meanRunSeconds, "%.1f s").c_str(),
                     shown(f.meanCycleSeconds, "%.1f s").c_str());
    }
    std::optional<double> yield = tally.yield();
    if (yield)
        *yield *= 100;
    std::fprintf(out, "Bench: %zu radio%s, %zu good, %zu failed, %.0f radios an hour, yield %s\n", tally.runs(),
                 tally.runs() == 1 ? "" : "s", tally.good(), tally.failed(), tally.shiftRadiosPerHour(now),
                 shown(yield, "%.0f %%").c_str());
    std::fflush(out);
}

nlohmann::ordered_json ShiftFigures(const ShiftTally& tally, const std::vector<std::string>& stations,
                                    ShiftClock::time_point now)
{
    nlohmann::ordered_json perStation = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const StationFigures f = tally.station(i);
        perStation.push_back({{"station", stations[i]},
                              {"runs", f.runs},
                              {"good", f.good},
                              {"failed", f.failed},
                              {"first_pass_yield", orNull(f.firstPassYield)},
                              {"mean_run_s", orNull(f.meanRunSeconds, true)},
                              {"mean_cycle_s", orNull(f.meanCycleSeconds, true)}});
    }
    return {{"stations", perStation},
            {"runs", tally.runs()},
            {"good", tally.good()},
            {"failed", tally.failed()},
            {"radios_per_hour", std::round(tally.shiftRadiosPerHour(now) * 10) / 10},
            {"yield", orNull(tally.yield())},
            {"exit_code", tally.exitCode()}};
}

} // namespace zorvane::cli

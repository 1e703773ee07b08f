#include "cli/report_command.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <variant>

#include "cli/exit_codes.h"
#include "cli/refusal_text.h"
#include "cli/report_database.h"
#include "cli/stations.h"
#include "files/shown_text.h"
#include "prepare/records_choice.h"
#include "records/records_database.h"
#include "report/report_figures.h"
#include "report/report_runs.h"
#include "report/report_writers.h"

namespace zorvane::cli {

namespace {

int failed(const std::string& what, int status = kExitInternal)
{
    std::fprintf(stderr, "zorvane-flash: %s\n", files::ShownText(what).c_str());
    return status;
}

std::string periodText(const CliOptions& options)
{
    if (!options.since.empty() && !options.until.empty())
        return options.since + " to " + options.until;
    if (!options.since.empty())
        return "from " + options.since;
    return options.until.empty() ? "every record" : "until " + options.until;
}

// The period's ends in the zone: from the start of --since to the end of --until.
std::optional<report::Period> periodOf(const CliOptions& options, report::Zone zone)
{
    report::Period period;
    if (!options.since.empty() && !(period.since = report::DayStart(options.since, zone)))
        return std::nullopt;
    if (!options.until.empty()) {
        const auto untilStart = report::DayStart(options.until, zone);
        const auto next = untilStart ? report::DayStart(
                                           report::LocalMomentOf(*untilStart + std::chrono::hours(36), zone).day, zone)
                                     : std::nullopt;
        if (!next)
            return std::nullopt;
        period.until = next;
    }
    return period;
}

std::optional<std::string> fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in && !in.bad() ? std::optional(text.str()) : std::nullopt;
}

// Writes one form into the file, or onto standard output for "-".
template <typename Write>
bool writeTo(const std::string& path, Write write)
{
    if (path == "-") {
        write(std::cout);
        return bool(std::cout.flush());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    write(out);
    out.close();
    return bool(out);
}

} // namespace

namespace {

struct Gathered {
    report::Figures figures;
    std::string source;
};

// The figures from the records file, its archives and its shifts file.
std::variant<Gathered, std::string> fromRecordsFile(const CliOptions& options, const report::Period& period,
                                                    report::Zone zone)
{
    const std::string records = *prepare::RecordFileFor(options.recordFile, false);
    const report::RunsRead runs = report::ReadRuns(records, period);
    if (runs.error)
        return *runs.error;
    const report::ShiftTimesRead shifts = report::ReadShiftTimes(ShiftsFileFor(records), period);
    if (shifts.error)
        return *shifts.error;
    if (const std::size_t left = runs.unreadable + shifts.unreadable; left > 0)
        std::fprintf(stderr,
                     "zorvane-flash: warning: %zu line%s of %s, its archives or its shifts file %s no record the "
                     "report can count: left out\n",
                     left, left == 1 ? "" : "s", files::ShownText(records).c_str(), left == 1 ? "is" : "are");
    return Gathered{report::ComputeFigures(runs.runs, shifts.stations, zone), records};
}

int writeForms(const CliOptions& options, const Gathered& gathered, const report::ReportHeading& heading)
{
    if (options.report == "-" && !writeTo("-", [&](std::ostream& out) { WriteText(out, gathered.figures, heading); }))
        return failed("cannot write the report to standard output");
    if (!options.report.empty() && options.report != "-") {
        const std::optional<std::string> chartJs = fileText(kChartJsPath);
        if (!chartJs || chartJs->find("</script") != std::string::npos)
            return failed(std::string("cannot read the charts' library ") + kChartJsPath + " (libjs-chart.js)");
        if (!writeTo(options.report,
                     [&](std::ostream& out) { WriteHtml(out, gathered.figures, heading, *chartJs); }))
            return failed("cannot write the report " + options.report);
    }
    if (!options.reportCsv.empty() &&
        !writeTo(options.reportCsv, [&](std::ostream& out) { WriteCsv(out, gathered.figures); }))
        return failed("cannot write the report's CSV " + options.reportCsv);
    return kExitSuccess;
}

int fromDatabase(const CliOptions& options, const report::Period& period, report::Zone zone)
{
    if (const std::optional<std::string> refused = RefusedDatabaseUrl(options.database))
        return UsageError(*refused);
    // The page shows the newest units only; the CSV has them all.
    const std::size_t units = options.reportCsv.empty() ? report::kPageUnits : std::numeric_limits<std::int64_t>::max();
    std::variant<report::Figures, std::string> figures = FiguresFromDatabase(options.database, period, zone, units);
    if (const std::string* error = std::get_if<std::string>(&figures))
        return failed(*error, kExitDatabase);
    const Gathered got{std::move(std::get<report::Figures>(figures)), PlaceOf(options.database).url()};
    return writeForms(options, got, {periodText(options), report::ZoneName(zone), got.source});
}

} // namespace

int ReportCommand(const CliOptions& options)
{
    const report::Zone zone = options.utc ? report::Zone::Utc : report::Zone::Local;
    const std::optional<report::Period> period = periodOf(options, zone);
    if (!period)
        return UsageError("--since or --until names a day this machine's time zone cannot place");
    if (!options.database.empty())
        return fromDatabase(options, *period, zone);
    std::variant<Gathered, std::string> gathered = fromRecordsFile(options, *period, zone);
    if (const std::string* error = std::get_if<std::string>(&gathered))
        return failed(*error);
    const Gathered& got = std::get<Gathered>(gathered);
    const report::ReportHeading heading{periodText(options), report::ZoneName(zone), got.source};
    return writeForms(options, got, heading);
}

} // namespace zorvane::cli

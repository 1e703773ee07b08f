#include "report/report_runs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <utility>

#include "records/record_line.h"
#include "records/spool_archive.h"
#include "report/report_time.h"

namespace zorvane::report {

namespace {

// A text field, or empty when it is missing, null or not text.
std::string textAt(const nlohmann::json& object, std::initializer_list<const char*> path)
{
    const nlohmann::json* at = &object;
    for (const char* name : path) {
        if (!at->is_object())
            return {};
        const auto found = at->find(name);
        if (found == at->end())
            return {};
        at = &*found;
    }
    return at->is_string() ? at->get<std::string>() : std::string();
}

// Every whole line of the file; a last line without its line feed is still
// being written and waits for the next report. False when it cannot be read.
bool forEachLine(const std::string& path, const std::function<void(const std::string&)>& take)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break;
        take(line);
    }
    return !in.bad();
}

// The month "2026-11" of an archive FILE.2026-11.jsonl beside the records file, or none.
std::optional<std::string> archiveMonth(const std::string& stem, const std::string& name)
{
    constexpr std::string_view kSuffix = ".jsonl";
    constexpr std::size_t kMonthLength = 7;
    if (name.size() != stem.size() + 1 + kMonthLength + kSuffix.size() || name.compare(0, stem.size(), stem) != 0 ||
        name[stem.size()] != '.' || !name.ends_with(kSuffix))
        return std::nullopt;
    const std::string month = name.substr(stem.size() + 1, kMonthLength);
    return DayStart(month + "-01", Zone::Utc) ? std::optional(month) : std::nullopt;
}

bool monthMeets(const std::string& month, const Period& period)
{
    const auto start = *DayStart(month + "-01", Zone::Utc);
    const std::chrono::year_month_day first{std::chrono::floor<std::chrono::days>(start)};
    const std::chrono::sys_seconds end = std::chrono::sys_days(first + std::chrono::months(1));
    return (!period.until || start < *period.until) && (!period.since || end > *period.since);
}

// The archives beside the records file whose month meets the period, oldest first.
std::vector<std::string> archivesFor(const std::string& recordsPath, const Period& period)
{
    const std::filesystem::path path(recordsPath);
    const std::string stem = RecordsStem(path.filename().string());
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::vector<std::string> archives;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (const auto month = archiveMonth(stem, entry.path().filename().string()); month && monthMeets(*month, period))
            archives.push_back(entry.path().string());
    std::sort(archives.begin(), archives.end());
    return archives;
}

// A line of the period as a run. The quick scan of the time leaves the
// records outside the period unparsed.
void takeLine(const std::string& line, const Period& period, RunsRead& read)
{
    const std::optional<RecordFields> fields = RecordFieldsOf(line);
    const auto time = fields ? ParseRecordTime(fields->time) : std::nullopt;
    if (!time || !fields->outcome) {
        ++read.unreadable;
        return;
    }
    if (!period.holds(*time))
        return;
    const std::optional<nlohmann::json> record = RecordObject(line);
    std::optional<ReportRun> run = record ? RunOf(*record) : std::nullopt;
    if (run)
        read.runs.push_back(std::move(*run));
    else
        ++read.unreadable;
}

// Lines parsed on every core, each core a share of them in order: the full
// parse of each record is most of a report's time.
void takeLines(const std::vector<std::string>& lines, const Period& period, RunsRead& read)
{
    constexpr unsigned kMostWorkers = 8;
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
    const std::size_t share = (lines.size() + workers - 1) / workers;
    std::vector<RunsRead> parts(workers);
    {
        std::vector<std::jthread> threads;
        for (unsigned w = 0; w < workers; ++w)
            threads.emplace_back([&, w] {
                for (std::size_t i = w * share; i < std::min(lines.size(), (w + 1) * share); ++i)
                    takeLine(lines[i], period, parts[w]);
            });
    }
    for (RunsRead& part : parts) {
        std::move(part.runs.begin(), part.runs.end(), std::back_inserter(read.runs));
        read.unreadable += part.unreadable;
    }
}

} // namespace

std::optional<ReportRun> RunOf(const nlohmann::json& record)
{
    const auto time = ParseRecordTime(textAt(record, {"time"}));
    ReportRun run{.time = time.value_or(std::chrono::sys_seconds()),
                  .host = textAt(record, {"host"}),
                  .unit = textAt(record, {"unit"}),
                  .port = textAt(record, {"port"}),
                  .station = textAt(record, {"station"}),
                  .stage = textAt(record, {"outcome", "stage"}),
                  .faultKind = textAt(record, {"outcome", "fault", "kind"}),
                  .firmware = textAt(record, {"images", "firmware", "data_sha256"}),
                  .signer = textAt(record, {"manifest", "signed_by"}),
                  .durationS = std::nullopt};
    if (!time || run.stage.empty())
        return std::nullopt;
    if (const auto duration = record.find("duration_s"); duration != record.end() && duration->is_number())
        run.durationS = duration->get<double>();
    return run;
}

RunsRead ReadRuns(const std::string& recordsPath, const Period& period)
{
    RunsRead read;
    read.files = archivesFor(recordsPath, period);
    read.files.push_back(recordsPath);
    for (const std::string& file : read.files) {
        std::error_code error;
        if (file == recordsPath && !std::filesystem::exists(file, error))
            continue;   // no records yet
        constexpr std::size_t kBatchLines = 16384;
        std::vector<std::string> batch;
        const bool readable = forEachLine(file, [&](const std::string& line) {
            batch.push_back(line);
            if (batch.size() == kBatchLines)
                takeLines(std::exchange(batch, {}), period, read);
        });
        if (!readable) {
            read.error = "cannot read " + file;
            return read;
        }
        takeLines(batch, period, read);
    }
    std::stable_sort(read.runs.begin(), read.runs.end(),
                     [](const ReportRun& a, const ReportRun& b) { return a.time < b.time; });
    return read;
}

ShiftTimesRead ReadShiftTimes(const std::string& shiftsPath, const Period& period)
{
    ShiftTimesRead read;
    std::error_code error;
    if (!std::filesystem::exists(shiftsPath, error))
        return read;
    const auto number = [](const nlohmann::json& station, const char* name) -> std::optional<double> {
        const auto found = station.find(name);
        return found != station.end() && found->is_number() ? std::optional(found->get<double>()) : std::nullopt;
    };
    const bool readable = forEachLine(shiftsPath, [&](const std::string& line) {
        const std::optional<nlohmann::json> shift = RecordObject(line);
        const auto started = shift ? ParseRecordTime(textAt(*shift, {"started"})) : std::nullopt;
        const auto stations = shift ? shift->find("stations") : nlohmann::json::const_iterator();
        if (!started || stations == shift->end() || !stations->is_array()) {
            ++read.unreadable;
            return;
        }
        if (period.holds(*started))
            for (const nlohmann::json& station : *stations)
                if (station.is_object())
                    read.stations.push_back({number(station, "mean_run_s"), number(station, "mean_cycle_s")});
    });
    if (!readable)
        read.error = "cannot read " + shiftsPath;
    return read;
}

} // namespace zorvane::report

#include <algorithm>
#include <vector>

#include "report/report_page_script.h"
#include "report/report_text_forms.h"
#include "report/report_writers.h"

namespace zorvane::report {

namespace {

constexpr const char* kStyle = R"css(
body { font-family: sans-serif; margin: 1.5em; color: #222; }
table { border-collapse: collapse; margin: 0.5em 0 1.5em; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.6em; text-align: left; }
td.n { text-align: right; }
figure { margin: 0 0 1em; }
figcaption { font-weight: bold; }
#script-errors { color: #c62828; }
.charts { display: flex; flex-wrap: wrap; gap: 1em; }
)css";

// Short enough for a chart's axis: the first 12 hex digits.
constexpr std::size_t kShortHash = 12;

std::string cell(const std::string& text, bool number = false)
{
    return std::string(number ? "<td class=\"n\">" : "<td>") + HtmlEscaped(text) + "</td>";
}

std::string tallyCells(const Tally& tally)
{
    return cell(std::to_string(tally.radios), true) + cell(std::to_string(tally.good), true) +
           cell(std::to_string(tally.units), true) + cell(PercentText(tally.yield()), true) +
           cell(PercentText(tally.firstPassYield()), true);
}

constexpr const char* kTallyHeads = "<th>radios</th><th>good</th><th>units</th><th>yield</th><th>first pass</th>";

void writeTotal(std::ostream& out, const Tally& total)
{
    out << "<table id=\"total\"><tr>" << kTallyHeads << "</tr><tr>"
        << "<td class=\"n\" id=\"total-radios\">" << total.radios << "</td>"
        << "<td class=\"n\" id=\"total-good\">" << total.good << "</td>"
        << "<td class=\"n\" id=\"total-units\">" << total.units << "</td>"
        << "<td class=\"n\" id=\"total-yield\">" << PercentText(total.yield()) << "</td>"
        << "<td class=\"n\" id=\"total-first-pass\">" << PercentText(total.firstPassYield()) << "</td></tr></table>\n";
}

template <typename Map, typename Label>
void writeTallies(std::ostream& out, const char* id, const std::string& heads, const Map& tallies, Label label)
{
    out << "<table id=\"" << id << "\"><tr>" << heads << kTallyHeads << "</tr>\n";
    for (const auto& [key, tally] : tallies)
        out << "<tr>" << label(key) << tallyCells(tally) << "</tr>\n";
    out << "</table>\n";
}

void writeCounts(std::ostream& out, const char* id, const char* head,
                 const std::map<std::string, std::size_t>& counts)
{
    out << "<table id=\"" << id << "\"><tr><th>" << head << "</th><th>radios</th></tr>\n";
    for (const auto& [key, count] : counts)
        out << "<tr>" << cell(key.empty() ? "(none recorded)" : key) << cell(std::to_string(count), true)
            << "</tr>\n";
    out << "</table>\n";
}

void writeFirmware(std::ostream& out, const std::vector<FirmwareUse>& firmware)
{
    out << "<table id=\"firmware\"><tr><th>firmware (data SHA-256)</th><th>signed by</th><th>units</th>"
           "<th>radios</th></tr>\n";
    for (const FirmwareUse& use : firmware)
        out << "<tr>" << cell(use.firmware.empty() ? "-" : use.firmware)
            << cell(use.signer.empty() ? "unsigned" : use.signer) << cell(std::to_string(use.units), true)
            << cell(std::to_string(use.radios), true) << "</tr>\n";
    out << "</table>\n";
}

void writeUnits(std::ostream& out, const Figures& figures)
{
    const std::size_t shown = std::min(figures.units.size(), kPageUnits);
    out << "<h2>Units</h2>\n<p>The newest " << shown << " of " << figures.units.size()
        << " units, each with its last run (the CSV has them all).</p>\n"
        << "<p><label>Filter: <input id=\"unit-filter\" type=\"search\"></label></p>\n"
        << "<table id=\"units\"><thead><tr><th>unit</th><th>time</th><th>bench</th><th>port</th><th>outcome</th>"
           "<th>fault</th><th>firmware</th><th>runs</th></tr></thead><tbody>\n";
    for (std::size_t i = 0; i < shown; ++i) {
        const UnitRow& row = figures.units[i];
        const LocalMoment moment = LocalMomentOf(row.run.time, figures.zone);
        out << "<tr>" << cell(row.unit.empty() ? "(no label)" : row.unit) << cell(moment.day + " " + moment.time)
            << cell(row.run.host) << cell(row.run.port) << cell(row.run.stage) << cell(row.run.faultKind)
            << cell(row.run.firmware.substr(0, kShortHash)) << cell(std::to_string(row.runs), true) << "</tr>\n";
    }
    out << "</tbody></table>\n";
}

void writeCanvas(std::ostream& out, const char* id, const char* title)
{
    out << "<figure><figcaption>" << title << "</figcaption><canvas id=\"" << id
        << "\" width=\"560\" height=\"280\"></canvas></figure>\n";
}

} // namespace

namespace {

nlohmann::json shareOrNull(std::optional<double> share)
{
    constexpr double kPercent = 100;
    return share ? nlohmann::json(*share * kPercent) : nlohmann::json(nullptr);
}

void addTallySeries(nlohmann::json& data, const std::map<std::string, Tally>& tallies, const char* labels,
                    const char* good, const char* failed)
{
    data[labels] = nlohmann::json::array();
    for (const auto& [key, tally] : tallies) {
        data[labels].push_back(key);
        data[good].push_back(tally.good);
        data[failed].push_back(tally.radios - tally.good);
    }
}

void addCounts(nlohmann::json& data, const std::map<std::string, std::size_t>& counts, const char* labels,
               const char* values)
{
    data[labels] = nlohmann::json::array();
    data[values] = nlohmann::json::array();
    for (const auto& [key, count] : counts) {
        data[labels].push_back(key.empty() ? "(none recorded)" : key);
        data[values].push_back(count);
    }
}

void addHistogram(nlohmann::json& data, const Histogram& histogram, const char* labels, const char* values)
{
    data[labels] = nlohmann::json::array();
    data[values] = histogram.counts;
    for (std::size_t bin = 0; bin < histogram.counts.size(); ++bin)
        data[labels].push_back(BinLabel(histogram, bin));
}

nlohmann::json chartData(const Figures& figures)
{
    nlohmann::json data = nlohmann::json::object();
    addTallySeries(data, figures.byDay, "days", "dayGood", "dayFailed");
    for (const auto& [day, tally] : figures.byDay) {
        data["dayYield"].push_back(shareOrNull(tally.yield()));
        data["dayFirstPass"].push_back(shareOrNull(tally.firstPassYield()));
    }
    addTallySeries(data, figures.byBench, "benches", "benchGood", "benchFailed");
    addCounts(data, figures.failuresByStage, "stages", "stageCounts");
    addCounts(data, figures.failuresByKind, "kinds", "kindCounts");
    addHistogram(data, figures.runTimes, "runBins", "runCounts");
    addHistogram(data, figures.cycleTimes, "cycleBins", "cycleCounts");
    for (std::size_t hour = 0; hour < kHoursInDay; ++hour)
        data["hours"].push_back(HourLabel(hour));
    data["hourRadios"] = figures.radiosByHour;
    data["firmware"] = nlohmann::json::array();
    data["firmwareUnits"] = nlohmann::json::array();
    for (const FirmwareUse& use : figures.firmware) {
        data["firmware"].push_back(use.firmware.empty() ? "-" : use.firmware.substr(0, kShortHash));
        data["firmwareUnits"].push_back(use.units);
    }
    for (const char* series : {"dayGood", "dayFailed", "dayYield", "dayFirstPass", "benchGood", "benchFailed"})
        if (!data.contains(series))
            data[series] = nlohmann::json::array();
    return data;
}

void writeTables(std::ostream& out, const Figures& figures)
{
    const auto plain = [](const std::string& key) { return cell(key); };
    out << "<h2>Yield</h2>\n";
    writeTotal(out, figures.total);
    out << "<div class=\"charts\">\n";
    writeCanvas(out, "chart-days", "Radios per day");
    writeCanvas(out, "chart-yield", "Yield and first-pass yield per day (%)");
    writeCanvas(out, "chart-benches", "Radios per bench");
    out << "</div>\n<h3>Per day</h3>\n";
    writeTallies(out, "per-day", "<th>day</th>", figures.byDay, plain);
    out << "<h3>Per bench</h3>\n";
    writeTallies(out, "per-bench", "<th>bench</th>", figures.byBench, plain);
    out << "<h3>Per day and bench</h3>\n";
    writeTallies(out, "per-day-and-bench", "<th>day</th><th>bench</th>", figures.byDayAndBench,
                 [](const auto& key) { return cell(key.first) + cell(key.second); });
    out << "<h2>Failures</h2>\n<div class=\"charts\">\n";
    writeCanvas(out, "chart-stages", "Failures by stage");
    writeCanvas(out, "chart-kinds", "Failures by fault kind");
    out << "</div>\n";
    writeCounts(out, "failures-by-stage", "stage", figures.failuresByStage);
    writeCounts(out, "failures-by-kind", "fault kind", figures.failuresByKind);
}

void writeThroughput(std::ostream& out, const Figures& figures)
{
    out << "<h2>Times and throughput</h2>\n<div class=\"charts\">\n";
    writeCanvas(out, "chart-run-times", "Run time (s), radios");
    writeCanvas(out, "chart-cycle-times", "Cycle time (s): the shifts' stations' means");
    writeCanvas(out, "chart-hours", "Radios per hour of the day");
    out << "</div>\n<h2>Firmware</h2>\n";
    writeCanvas(out, "chart-firmware", "Units per firmware (data SHA-256)");
    writeFirmware(out, figures.firmware);
}

} // namespace

void WriteHtml(std::ostream& out, const Figures& figures, const ReportHeading& heading, const std::string& chartJs)
{
    // The page loads nothing: its policy refuses any fetch, so it reads the same offline.
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:\">\n"
        << "<title>Line report: " << HtmlEscaped(heading.period) << "</title>\n<style>" << kStyle
        << "</style></head>\n<body>\n<pre id=\"script-errors\" hidden></pre>\n<script>" << kErrorHook
        << "</script>\n<h1>Line report</h1>\n<p>" << HtmlEscaped(heading.period) << ", days and hours in "
        << HtmlEscaped(heading.zone) << ", from " << HtmlEscaped(heading.source) << ".</p>\n";
    writeTables(out, figures);
    writeThroughput(out, figures);
    writeUnits(out, figures);
    out << "<script type=\"application/json\" id=\"report-data\">" << ScriptJson(chartData(figures))
        << "</script>\n<script>" << chartJs << "</script>\n<script>" << kPageScript << "</script>\n</body></html>\n";
}

} // namespace zorvane::report

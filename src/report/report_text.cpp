#include <algorithm>
#include <vector>

#include "files/shown_text.h"
#include "report/report_text_forms.h"
#include "report/report_writers.h"

namespace zorvane::report {

namespace {

using Row = std::vector<std::string>;

// A table under its title, each column as wide as its widest cell. Hosts,
// stages and kinds come from the records: their controls are shown, not sent.
void writeTable(std::ostream& out, const std::string& title, const Row& header, std::vector<Row> rows)
{
    for (Row& row : rows)
        for (std::string& cell : row)
            cell = files::ShownText(cell);
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c)
        widths[c] = header[c].size();
    for (const Row& row : rows)
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    out << title << "\n";
    const auto line = [&](const Row& row) {
        std::string text;
        for (std::size_t c = 0; c < row.size(); ++c)
            text += "  " + row[c] + std::string(widths[c] - row[c].size(), ' ');
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << "\n";
    };
    line(header);
    for (const Row& row : rows)
        line(row);
    if (rows.empty())
        out << "  (none)\n";
    out << "\n";
}

Row tallyCells(const Tally& tally)
{
    return {std::to_string(tally.radios), std::to_string(tally.good), std::to_string(tally.units),
            PercentText(tally.yield()), PercentText(tally.firstPassYield())};
}

const Row kTallyHeader = {"radios", "good", "units", "yield", "first pass"};

template <typename Map, typename Label>
std::vector<Row> tallyRows(const Map& tallies, Label label)
{
    std::vector<Row> rows;
    for (const auto& [key, tally] : tallies) {
        Row row = label(key);
        const Row cells = tallyCells(tally);
        row.insert(row.end(), cells.begin(), cells.end());
        rows.push_back(std::move(row));
    }
    return rows;
}

Row withFirst(Row first, const Row& rest)
{
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

std::vector<Row> countRows(const std::map<std::string, std::size_t>& counts, const std::string& none)
{
    std::vector<Row> rows;
    for (const auto& [key, count] : counts)
        rows.push_back({key.empty() ? none : key, std::to_string(count)});
    return rows;
}

std::vector<Row> histogramRows(const Histogram& histogram)
{
    std::vector<Row> rows;
    for (std::size_t bin = 0; bin < histogram.counts.size(); ++bin)
        rows.push_back({BinLabel(histogram, bin), std::to_string(histogram.counts[bin])});
    return rows;
}

void writeTallies(std::ostream& out, const Figures& figures)
{
    writeTable(out, "Whole period", kTallyHeader, {tallyCells(figures.total)});
    const auto same = [](const std::string& key) { return Row{key}; };
    writeTable(out, "Per day", withFirst({"day"}, kTallyHeader), tallyRows(figures.byDay, same));
    writeTable(out, "Per bench", withFirst({"bench"}, kTallyHeader), tallyRows(figures.byBench, same));
    writeTable(out, "Per day and bench", withFirst({"day", "bench"}, kTallyHeader),
               tallyRows(figures.byDayAndBench, [](const auto& key) { return Row{key.first, key.second}; }));
}

void writeTimes(std::ostream& out, const Figures& figures)
{
    writeTable(out, "Failures by stage", {"stage", "radios"}, countRows(figures.failuresByStage, "-"));
    writeTable(out, "Failures by fault kind", {"kind", "radios"}, countRows(figures.failuresByKind, "(none recorded)"));
    writeTable(out, "Run time", {"seconds", "radios"}, histogramRows(figures.runTimes));
    writeTable(out, "Cycle time (shifts' station means)", {"seconds", "stations"}, histogramRows(figures.cycleTimes));
    std::vector<Row> hours;
    for (std::size_t hour = 0; hour < kHoursInDay; ++hour)
        if (figures.radiosByHour[hour] > 0)
            hours.push_back({HourLabel(hour), std::to_string(figures.radiosByHour[hour]),
                             std::to_string(figures.goodByHour[hour])});
    writeTable(out, "Radios per hour of the day", {"hour", "radios", "good"}, hours);
}

} // namespace

void WriteText(std::ostream& out, const Figures& figures, const ReportHeading& heading)
{
    out << "Line report: " << heading.period << ", times in " << heading.zone << ", from " << heading.source << "\n\n";
    writeTallies(out, figures);
    writeTimes(out, figures);
    std::vector<Row> firmware;
    for (const FirmwareUse& use : figures.firmware)
        firmware.push_back({use.firmware.empty() ? "-" : use.firmware, use.signer.empty() ? "unsigned" : use.signer,
                            std::to_string(use.units), std::to_string(use.radios)});
    writeTable(out, "Firmware (data SHA-256)", {"firmware", "signed by", "units", "radios"}, firmware);
}

} // namespace zorvane::report

// The report's three forms: plain-text tables, the units as CSV, and one
// self-contained HTML page with its charts.
#pragma once

#include <ostream>
#include <string>

#include "report/report_figures.h"

namespace zorvane::report {

// What the report covers, for its heading.
struct ReportHeading {
    std::string period;   // "2026-12-01 to 2026-12-07", "from 2026-12-01", "every record"
    std::string zone;     // "UTC", "CET"
    std::string source;   // the records file, or the database's place
};

void WriteText(std::ostream& out, const Figures& figures, const ReportHeading& heading);

// The layout's version, the CSV's first column.
constexpr int kCsvSchema = 1;
// Every unit's last run, newest first.
void WriteCsv(std::ostream& out, const Figures& figures);

// The page shows this many of the newest units; the CSV has them all.
constexpr std::size_t kPageUnits = 1000;
// chartJs: Chart.js itself, carried inline so that the page needs no network.
void WriteHtml(std::ostream& out, const Figures& figures, const ReportHeading& heading, const std::string& chartJs);

} // namespace zorvane::report

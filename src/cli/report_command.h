// --report and --report-csv: the line's figures over a period, as a page,
// as text or as CSV.
#pragma once

#include "cli/cli_options.h"

namespace zorvane::cli {

// Where the page's charting library is read from (Debian's libjs-chart.js).
constexpr const char* kChartJsPath = "/usr/share/javascript/chart.js/chart.min.js";

// The exit status: 0 once every form asked for is written, 2 for a period
// the zone cannot place, 10 when the records or an output cannot be read or written,
// 12 when the records database cannot answer.
int ReportCommand(const CliOptions& options);

} // namespace zorvane::cli

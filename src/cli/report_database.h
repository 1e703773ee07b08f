// The line's report from the records database: the server counts.
#pragma once

#include <cstddef>
#include <string>
#include <variant>

#include "report/report_figures.h"

namespace zorvane::cli {

// The figures over the period, with at most units units; or why there are
// none (the database cannot be reached, or its schema is too old).
std::variant<report::Figures, std::string> FiguresFromDatabase(const std::string& url, const report::Period& period,
                                                                report::Zone zone, std::size_t units);

} // namespace zorvane::cli

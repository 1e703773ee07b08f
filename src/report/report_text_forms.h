// How the report's writers show a figure, and how its page carries text from
// the records (labels, hosts and ports are anyone's text).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "report/report_figures.h"

namespace zorvane::report {

// "97.5%", or "-" when there is nothing to share.
std::string PercentText(std::optional<double> share);

// A bin's range in seconds: "50-55 s".
std::string BinLabel(const Histogram& histogram, std::size_t bin);

// "00:00" to "23:00".
std::string HourLabel(std::size_t hour);

// Text as HTML text or attribute value: & < > " ' as references.
std::string HtmlEscaped(std::string_view text);

// JSON for a <script type="application/json"> block: < > & as \u escapes,
// so that no "</script>" or "<!--" in the data ends or hides the block.
std::string ScriptJson(const nlohmann::json& value);

} // namespace zorvane::report

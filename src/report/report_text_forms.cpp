#include "report/report_text_forms.h"

#include <cstdio>

namespace zorvane::report {

std::string PercentText(std::optional<double> share)
{
    if (!share)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", *share * 100);
    return text;
}

std::string BinLabel(const Histogram& histogram, std::size_t bin)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g-%g s", double(bin) * histogram.binWidthS,
                  double(bin + 1) * histogram.binWidthS);
    return text;
}

std::string HourLabel(std::size_t hour)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02zu:00", hour);
    return text;
}

std::string HtmlEscaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string ScriptJson(const nlohmann::json& value)
{
    const std::string json = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string safe;
    safe.reserve(json.size());
    for (char c : json) {
        switch (c) {
        case '<': safe += "\\u003c"; break;   // only ever inside a JSON string
        case '>': safe += "\\u003e"; break;
        case '&': safe += "\\u0026"; break;
        default: safe += c;
        }
    }
    return safe;
}

} // namespace zorvane::report

#include "records/json_line.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "files/shown_text.h"

namespace zorvane {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The character at text[at] that is written escaped, and its length in
// bytes; length 0 when it stays as it is. text is well-formed UTF-8.
std::size_t escapedAt(std::string_view text, std::size_t at, unsigned& code)
{
    if (text[at] == '\x7F') {
        code = 0x7F;
        return 1;
    }
    if (files::IsC1Control(text, at)) {
        code = static_cast<unsigned char>(text[at + 1]);
        return 2;
    }
    if (text.substr(at, kReplacement.size()) == kReplacement) {
        code = 0xFFFD;
        return kReplacement.size();
    }
    return 0;
}

} // namespace

std::string JsonLine(const nlohmann::ordered_json& value)
{
    const std::string dumped = value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    // The library writes these raw; outside strings a line holds only ASCII,
    // so each one found is inside a string and its escape means the same.
    std::string line;
    line.reserve(dumped.size());
    for (std::size_t at = 0; at < dumped.size();) {
        unsigned code = 0;
        const std::size_t length = escapedAt(dumped, at, code);
        if (length == 0) {
            line += dumped[at++];
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
        line += escaped;
        at += length;
    }
    return line;
}

double JsonSeconds(std::chrono::duration<double> time)
{
    return std::round(time.count() * 1000) / 1000;
}

} // namespace zorvane

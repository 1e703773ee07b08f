#include "records/record_line.h"

#include <cctype>
#include <cstring>

#include "records/record_id.h"

namespace zorvane {

namespace {

constexpr std::size_t kBad = std::string_view::npos;

std::size_t skipSpace(std::string_view text, std::size_t at)
{
    while (at < text.size() && std::strchr(" \t\r\n", text[at]) != nullptr && text[at] != '\0')
        ++at;
    return at;
}

// The end of the string that opens at text[at], or kBad.
std::size_t skipString(std::string_view text, std::size_t at)
{
    for (++at; at < text.size(); ++at) {
        if (text[at] == '\\')
            ++at;
        else if (text[at] == '"')
            return at + 1;
    }
    return kBad;
}

// Deeper than any record goes: a damaged line of brackets is refused
// before it can exhaust the stack.
constexpr int kDeepest = 32;

// Past the digits at text[at]; kBad when there are none.
std::size_t skipDigits(std::string_view text, std::size_t at)
{
    const std::size_t start = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        ++at;
    return at == start ? kBad : at;
}

// The end of a literal or a number at text[at], or kBad.
std::size_t skipScalar(std::string_view text, std::size_t at)
{
    for (const std::string_view literal : {"true", "false", "null"})
        if (text.substr(at, literal.size()) == literal)
            return at + literal.size();
    if (at < text.size() && text[at] == '-')
        ++at;
    at = skipDigits(text, at);
    if (at != kBad && at < text.size() && text[at] == '.')
        at = skipDigits(text, at + 1);
    if (at != kBad && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        at = skipDigits(text, at);
    }
    return at;
}

// The end of the value that starts at text[at] (after spaces), or kBad.
// Containers are matched bracket for bracket.
std::size_t skipValue(std::string_view text, std::size_t at, int depth = 0)
{
    at = skipSpace(text, at);
    if (at >= text.size() || depth > kDeepest)
        return kBad;
    if (text[at] == '"')
        return skipString(text, at);
    if (text[at] == '{' || text[at] == '[') {
        const char close = text[at] == '{' ? '}' : ']';
        at = skipSpace(text, at + 1);
        if (at < text.size() && text[at] == close)
            return at + 1;
        for (;;) {
            if (close == '}') {
                if (at >= text.size() || text[at] != '"' || (at = skipString(text, at)) == kBad)
                    return kBad;
                at = skipSpace(text, at);
                if (at >= text.size() || text[at] != ':')
                    return kBad;
                ++at;
            }
            if ((at = skipSpace(text, skipValue(text, at, depth + 1))) >= text.size())
                return kBad;
            if (text[at] == close)
                return at + 1;
            if (text[at] != ',')
                return kBad;
            at = skipSpace(text, at + 1);
        }
    }
    return skipScalar(text, at);
}

// 8-4-4-4-12 hex digits, as a database's uuid type reads them.
bool isUuidText(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (text[i] == '-') || (!dash && std::strchr("0123456789abcdefABCDEF", text[i]) == nullptr))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::map<std::string, std::string, std::less<>>> TopLevelFields(std::string_view line)
{
    if (skipSpace(line, skipValue(line, 0)) != line.size())
        return std::nullopt;
    std::size_t at = skipSpace(line, 0);
    if (line[at] != '{')
        return std::nullopt;
    std::map<std::string, std::string, std::less<>> fields;
    at = skipSpace(line, at + 1);
    while (line[at] == '"') {   // the whole object was checked above
        const std::size_t keyEnd = skipString(line, at);
        const std::string key = PlainValue(line.substr(at, keyEnd - at));
        const std::size_t valueStart = skipSpace(line, skipSpace(line, keyEnd) + 1);
        const std::size_t valueEnd = skipValue(line, valueStart);
        fields[key] = std::string(line.substr(valueStart, valueEnd - valueStart));
        at = skipSpace(line, valueEnd);
        at = skipSpace(line, line[at] == ',' ? at + 1 : at);
    }
    return fields;
}

std::string PlainValue(std::string_view json)
{
    if (json.size() < 2 || json.front() != '"')
        return std::string(json);
    std::string text;
    for (std::size_t at = 1; at + 1 < json.size(); ++at) {
        if (json[at] != '\\') {
            text += json[at];
            continue;
        }
        const char escaped = json[++at];
        switch (escaped) {
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case 'r': text += '\r'; break;
        case 'b': text += '\b'; break;
        case 'f': text += '\f'; break;
        case 'u': text += "\\u"; break;   // shown as written: only people read these
        default: text += escaped;
        }
    }
    return text;
}

std::optional<std::string> RecordIdOf(std::string_view line)
{
    const auto fields = TopLevelFields(line);
    if (!fields)
        return std::nullopt;
    if (const auto id = fields->find("id"); id != fields->end()) {
        std::string text = PlainValue(id->second);
        return isUuidText(text) ? std::optional(text) : std::nullopt;
    }
    return IdFromLine(line);
}

} // namespace zorvane

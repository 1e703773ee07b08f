#include "prepare/unit_labels.h"

namespace zorvane::prepare {

std::variant<std::optional<UnitPattern>, std::string> UnitPatternFor(const std::string& asked,
                                                                     const Settings& settings)
{
    const bool fromOptions = !asked.empty();
    const std::string& text = fromOptions ? asked : settings.unitPattern;
    if (text.empty())
        return std::optional<UnitPattern>();
    try {
        return std::optional<UnitPattern>(UnitPattern{text, std::regex(text, std::regex::ECMAScript)});
    } catch (const std::regex_error& e) {
        const std::string where = fromOptions ? "--unit-pattern" : "UnitPattern in [Bench] of " + settings.file;
        return where + ": not a regular expression: " + e.what();
    }
}

std::optional<std::string> RefusedByPattern(const std::string& label, const std::optional<UnitPattern>& pattern)
{
    if (!pattern || std::regex_match(label, pattern->compiled))
        return std::nullopt;
    return label + " does not match the unit pattern " + pattern->text;
}

} // namespace zorvane::prepare

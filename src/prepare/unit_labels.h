// The rules a radio's label (its unit) must keep before anything is sent:
// the line's pattern for serial numbers, when it has one.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <variant>

#include "prepare/settings.h"

namespace zorvane::prepare {

// The pattern a label must match whole: --unit-pattern, else [Bench]
// UnitPattern of the settings; none when neither gives one. A pattern that
// is not a regular expression is refused, with where it was given.
struct UnitPattern {
    std::string text;
    std::regex compiled;
};
std::variant<std::optional<UnitPattern>, std::string> UnitPatternFor(const std::string& asked,
                                                                     const Settings& settings);

// Why a label cannot name a radio under the pattern; none when it can.
std::optional<std::string> RefusedByPattern(const std::string& label, const std::optional<UnitPattern>& pattern);

} // namespace zorvane::prepare

// The rules a radio's label (its unit) must keep before anything is sent:
// the line's pattern for serial numbers, when it has one.
#pragma once

#include <map>
#include <optional>
#include <set>
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

namespace zorvane::prepare {

// The labels of one command or shift, so that each record names one radio:
// a label is refused while its unit is under way, and after it succeeded
// here; a unit whose latest record is a success runs only when its label
// is scanned twice in a row.
class LabelBook {
public:
    enum class Verdict { Go, Refused, ScanAgain };
    // Why not: the pattern, or the unit's runs (under way, succeeded here,
    // or its latest record a success).
    enum class Why { None, Pattern, UnderWay, Succeeded, FlashedBefore };
    struct Checked {
        Verdict verdict;
        std::string said;   // why not, for the operator; empty with Go
        Why why = Why::None;
    };

    LabelBook(std::optional<UnitPattern> pattern, std::set<std::string> succeededBefore);

    // The scanned label's verdict; a ScanAgain waits for the same label as
    // the very next one checked.
    Checked check(const std::string& label);
    // A line that is not a label comes between two scans.
    void interrupted() { awaiting_.reset(); }
    // The unit's run started on (or was given to) the port.
    void started(const std::string& label, const std::string& port);
    void ended(const std::string& label, bool succeeded);

private:
    std::optional<UnitPattern> pattern_;
    std::set<std::string> succeededBefore_;
    std::map<std::string, std::string> underWay_;    // unit: its port
    std::map<std::string, std::string> succeeded_;   // unit: the port it succeeded on
    std::optional<std::string> awaiting_;            // the label that must come again
};

} // namespace zorvane::prepare

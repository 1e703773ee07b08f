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

namespace zorvane::prepare {

LabelBook::LabelBook(std::optional<UnitPattern> pattern, std::set<std::string> succeededBefore)
    : pattern_(std::move(pattern)), succeededBefore_(std::move(succeededBefore))
{
}

LabelBook::Checked LabelBook::check(const std::string& label)
{
    const bool confirmed = awaiting_ == label;
    awaiting_.reset();
    if (std::optional<std::string> refused = RefusedByPattern(label, pattern_))
        return {Verdict::Refused, *refused + ": scan or type it again.", Why::Pattern};
    if (const auto found = underWay_.find(label); found != underWay_.end())
        return {Verdict::Refused, label + " is the unit on " + found->second + " already: a label names one radio.",
                Why::UnderWay};
    if (const auto found = succeeded_.find(label); found != succeeded_.end())
        return {Verdict::Refused, label + " was flashed on " + found->second + " already: a label names one radio.",
                Why::Succeeded};
    if (succeededBefore_.count(label) != 0 && !confirmed) {
        awaiting_ = label;
        return {Verdict::ScanAgain,
                label + " was flashed before (its latest record is a success): scan it again to flash it again.",
                Why::FlashedBefore};
    }
    return {Verdict::Go, {}};
}

void LabelBook::started(const std::string& label, const std::string& port)
{
    underWay_[label] = port;
}

void LabelBook::ended(const std::string& label, bool succeeded)
{
    const auto found = underWay_.find(label);
    if (found == underWay_.end())
        return;
    // A failure here is newer than any earlier record: scanned again, it runs.
    succeededBefore_.erase(label);
    if (succeeded)
        succeeded_[label] = found->second;
    underWay_.erase(found);
}

} // namespace zorvane::prepare

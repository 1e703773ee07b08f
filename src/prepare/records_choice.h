// Where a run's flash records are kept and where they are sent.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/spool.h"

#include "prepare/settings.h"

namespace zorvane::prepare {

// The records file: the one asked for, else the account's default; none
// when no record is to be kept.
std::optional<std::string> RecordFileFor(const std::string& asked, bool keepNoRecord);

// The records database: the URL asked for, else the settings' when records
// are kept; empty: none.
struct DatabaseChoice {
    std::string url;
    std::optional<std::string> refused;   // why the chosen URL cannot be used
    std::string source;                   // where it was chosen, to name in a refusal

    // "SOURCE: why", for a refusal in one line.
    std::string refusalText() const { return source + ": " + refused.value_or(""); }
};
DatabaseChoice DatabaseFor(const std::string& asked, bool recordsKept, const Settings& settings);

// The databases a record written now is owed to: the one chosen, if any.
std::vector<DatabasePlace> OwedPlaces(const DatabaseChoice& choice);

} // namespace zorvane::prepare

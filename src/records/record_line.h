// Reading back a line of the records file: a whole record, or not a record
// at all (a line cut short by a crash, or something else).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zorvane {

// The line's JSON object; none when the line is not one whole JSON object.
std::optional<nlohmann::json> RecordObject(std::string_view line);

// The record's id: its "id" field, or for a record from before ids one
// derived from the line. None when the line is not a record.
std::optional<std::string> RecordIdOf(std::string_view line);

// A record's id and its time ("2026-12-07T17:14:02Z"; empty when it has none).
struct RecordKey {
    std::string id;
    std::string time;
};
std::optional<RecordKey> RecordKeyOf(std::string_view line);

} // namespace zorvane

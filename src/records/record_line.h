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

// What the records file's readers look at in a record, read without
// building the whole object: a bench's history is many thousands of lines.
struct RecordFields {
    std::optional<std::string> id;      // as RecordIdOf gives it
    std::string time;                   // "2026-12-07T17:14:02Z"; empty when it has none
    std::optional<std::string> unit;    // when it is a string
    bool outcome = false;               // the outcome is an object
    std::optional<std::string> stage;   // the outcome's stage, when it is a string
};
// None when the line is not one whole JSON object.
std::optional<RecordFields> RecordFieldsOf(std::string_view line);

} // namespace zorvane

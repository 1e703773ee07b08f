// Reading back a line of the records file: enough of JSON to find a
// record's top-level fields, and to tell a whole record from a line cut short.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zorvane {

// The top-level fields of a JSON object, each value as its JSON text;
// none when the line is not one whole JSON object.
std::optional<std::map<std::string, std::string, std::less<>>> TopLevelFields(std::string_view line);

// A JSON string's text without its quotes and escapes; other values as they are.
std::string PlainValue(std::string_view json);

// The record's id: its "id" field, or for a record from before ids one
// derived from the line. None when the line is not a record.
std::optional<std::string> RecordIdOf(std::string_view line);

} // namespace zorvane

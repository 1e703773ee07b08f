// JSON as the flash records and the event stream write it: one line, on
// nlohmann/json, the fields in the order they were set.
#pragma once

#include <chrono>
#include <string>

#include <nlohmann/json.hpp>

namespace zorvane {

// The value as one line of JSON (no line feed). Text that is not UTF-8 (a
// file name in another encoding, a radio's stray bytes) is written with
// U+FFFD for what cannot be read, never refused. DEL, the C1 controls and
// U+FFFD are written as \u escapes: the line stays safe to show on a
// terminal, and a replaced byte stands out.
std::string JsonLine(const nlohmann::ordered_json& value);

// A time in seconds, to the millisecond: as precise as a run's times are
// written.
double JsonSeconds(std::chrono::duration<double> time);

} // namespace zorvane

// A moment as the records write it: ISO 8601 in UTC, to the second.
#pragma once

#include <chrono>
#include <string>

namespace zorvane::os {

// "2026-12-07T17:14:02Z"
std::string UtcText(std::chrono::system_clock::time_point time);

} // namespace zorvane::os

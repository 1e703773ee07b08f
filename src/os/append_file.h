// Appending a record to a file so that it survives: one write under an
// exclusive lock on the file, then the data synced to disk, and the folder
// too when the file is new, before the call returns.
#pragma once

#include <optional>
#include <string>

namespace zorvane::os {

// Appends text, creating the file (not its folder) when it is missing.
// Returns what went wrong, if anything.
std::optional<std::string> AppendSynced(const std::string& path, const std::string& text);

} // namespace zorvane::os

// Appending a record to a file so that it survives: one write under an
// exclusive lock on the file, then the data synced to disk, and the folder
// too when the file is new, before the call returns.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zorvane::os {

// Appends text, creating the file (not its folder) when it is missing.
// Returns what went wrong, if anything.
std::optional<std::string> AppendSynced(const std::string& path, const std::string& text);

// Replaces the file's whole content with what rewrite makes of it, under
// the lock appenders take, through a new file renamed over it: an appender
// that waited for the lock then writes to the new file, and a power cut
// leaves the old content or the new. rewrite returns none to leave the file
// as it is; a missing file is left missing.
std::optional<std::string> RewriteSynced(
    const std::string& path, const std::function<std::optional<std::string>(const std::string& content)>& rewrite);

} // namespace zorvane::os

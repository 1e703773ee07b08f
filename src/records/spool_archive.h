// Keeping the records file small: records every database they are owed to
// holds, once they are a month old, move to monthly archives beside it.
// Nothing is deleted; forwarding, the status and the label index then read
// the live file only.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zorvane {

// How long a record stays in the live file, and the slack that makes the
// move a once-a-day rewrite rather than one at every start.
constexpr std::chrono::days kKeepLive{30};
constexpr std::chrono::days kArchiveSlack{1};

struct ArchiveResult {
    std::size_t moved = 0;
    std::vector<std::string> archives;     // the files written to
    std::optional<std::string> error;      // what went wrong; the live file is then as it was
};

// The records file's name without its .jsonl: the files kept beside it (its
// shifts, its archives) are named from it.
std::string RecordsStem(const std::string& recordsPath);

// FILE.jsonl's archive for a month ("2026-11"): FILE.2026-11.jsonl.
std::string ArchivePath(const std::string& spoolPath, const std::string& month);

// Moves the records older than kKeepLive that no database is still owed,
// when the oldest such record is older than kKeepLive + kArchiveSlack.
ArchiveResult ArchiveSettledRecords(const std::string& spoolPath, std::chrono::system_clock::time_point now);

} // namespace zorvane

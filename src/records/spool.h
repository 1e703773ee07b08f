// The records file as the spool of what goes to the records database: the
// file itself is never rewritten; what was sent is kept beside it, one id a
// line, in FILE.sent.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zorvane {

struct SpooledRecord {
    std::string id;
    std::string line;
    std::size_t lineNumber = 0;
};

struct Spool {
    std::vector<SpooledRecord> records;
    std::vector<std::size_t> unreadable;   // line numbers of lines that are not records
    std::optional<std::string> error;      // the file exists and could not be read
};

// Every whole line of the file; a missing file is an empty spool. A last
// line without its line feed is being written and is left for next time.
Spool ReadSpool(const std::string& path);

std::string SentIdsPath(const std::string& spoolPath);

struct SentIds {
    std::vector<std::string> ids;          // in the order they were sent
    std::optional<std::string> error;      // unreadable: everything counts as pending
};
SentIds ReadSentIds(const std::string& spoolPath);
// The ids the database refused for good (FILE.refused): they are not sent
// again, and not counted as waiting.
SentIds ReadRefusedIds(const std::string& spoolPath);
std::string RefusedIdsPath(const std::string& spoolPath);

// Adds ids to the sent list, synced to disk. Returns what went wrong, if anything.
std::optional<std::string> MarkSent(const std::string& spoolPath, const std::vector<std::string>& ids);
std::optional<std::string> MarkRefused(const std::string& spoolPath, const std::string& id);

// The spool's records not in the sent list, in the file's order.
std::vector<SpooledRecord> PendingRecords(const Spool& spool, const std::vector<std::string>& sent);

} // namespace zorvane

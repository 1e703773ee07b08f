// The records file as the spool of what goes to the records databases: the
// file itself is only ever appended to (and, at start, rid of old records
// every database holds); what each database is owed and holds is kept
// beside it, one file a database.
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

// A records database as the records file's sidecars know it: where it is,
// whoever connects to it.
struct DatabasePlace {
    std::string host;   // a name, an address or a socket folder
    std::string port;
    std::string name;

    // postgresql://HOST:PORT/NAME, the host %-escaped where a URL needs it.
    std::string url() const;
    auto operator<=>(const DatabasePlace&) const = default;
};

// What one database is owed, in FILE.NAME@HOST-PORT.sent beside the records
// file: "due ID" when a record is written while the database is configured,
// "sent ID" once the database holds it, "refused ID" when it refused it for
// good. A record due to none goes only when asked (--include-earlier).
struct Owed {
    std::set<std::string> due;
    std::set<std::string> sent;
    std::set<std::string> refused;
    std::optional<std::string> lastSent;   // the id sent last
    std::optional<std::string> error;      // unreadable: everything counts as pending
};

std::string OwedPath(const std::string& spoolPath, const DatabasePlace& place);
// Reads what the database is owed. The first look at a records file kept by
// an earlier version (FILE.sent, FILE.refused, for the one database it sent
// to) makes those lists this database's, with every record due to it.
Owed ReadOwed(const std::string& spoolPath, const DatabasePlace& place);

enum class OwedMark { Due, Sent, Refused };
// Adds ids to the database's list, synced to disk. Returns what went wrong, if anything.
std::optional<std::string> MarkOwed(const std::string& spoolPath, const DatabasePlace& place, OwedMark mark,
                                    const std::vector<std::string>& ids);

// Every database a sidecar beside the records file names: its URL and what it is owed.
struct OwedDatabase {
    std::string url;
    Owed owed;
};
std::vector<OwedDatabase> OwedDatabases(const std::string& spoolPath);
// The paths of those sidecars.
std::vector<std::string> OwedFiles(const std::string& spoolPath);

// The spool's records the database is owed (every one not sent nor refused,
// with includeEarlier), in the file's order.
std::vector<SpooledRecord> PendingRecords(const Spool& spool, const Owed& owed, bool includeEarlier = false);

} // namespace zorvane

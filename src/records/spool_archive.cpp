#include "records/spool_archive.h"

#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "os/append_file.h"
#include "os/utc_time.h"
#include "records/record_line.h"
#include "records/spool.h"

namespace zorvane {

namespace {

// Whether a database is still owed the record: due, and neither held nor refused.
bool stillOwed(const std::vector<OwedDatabase>& databases, const std::string& id)
{
    for (const OwedDatabase& database : databases)
        if (database.owed.due.contains(id) && !database.owed.sent.contains(id) && !database.owed.refused.contains(id))
            return true;
    return false;
}

// A record that may move: one whose time is before the cutoff and that no
// database is still owed. Times compare as text: the records write them
// all in one form, in UTC.
std::optional<RecordFields> settledBefore(const std::string& line, const std::string& cutoff,
                                          const std::vector<OwedDatabase>& databases)
{
    std::optional<RecordFields> record = RecordFieldsOf(line);
    if (!record || !record->id || record->time.size() < 7 || record->time >= cutoff ||
        stillOwed(databases, *record->id))
        return std::nullopt;
    return record;
}

// Whether a move is due: a record older than the cutoff with its slack, that
// no database is owed, comes before the first younger one. Reads only as far
// as that, and the databases' lists only when an old record is met.
bool moveDue(const std::string& spoolPath, const std::string& cutoff,
             const std::function<const std::vector<OwedDatabase>&()>& databases)
{
    std::ifstream in(spoolPath, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::optional<RecordFields> record = RecordFieldsOf(line);
        if (!record || !record->id || record->time.empty())
            continue;
        if (record->time >= cutoff)
            return false;
        if (!stillOwed(databases(), *record->id))
            return true;
    }
    return false;
}

struct Split {
    std::string kept;
    std::map<std::string, std::string> byMonth;   // "2026-11" -> its records' lines
    std::set<std::string> movedIds;
};

Split split(const std::string& content, const std::string& cutoff, const std::vector<OwedDatabase>& databases)
{
    Split parts;
    for (std::size_t at = 0; at < content.size();) {
        const std::size_t end = content.find('\n', at);
        const std::string line = content.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? content.size() : end + 1;
        // A last line without its end is being written: it stays.
        if (const std::optional<RecordFields> record =
                end == std::string::npos ? std::nullopt : settledBefore(line, cutoff, databases)) {
            parts.byMonth[record->time.substr(0, 7)] += line + "\n";
            parts.movedIds.insert(*record->id);
            continue;
        }
        parts.kept += end == std::string::npos ? line : line + "\n";
    }
    return parts;
}

// The sidecars forget the records moved. Only those: a record written since
// the move is noted in a sidecar before it is in the live file.
std::optional<std::string> trimSidecars(const std::string& spoolPath, const std::set<std::string>& movedIds)
{
    for (const std::string& path : OwedFiles(spoolPath)) {
        std::optional<std::string> error = os::RewriteSynced(path, [&](const std::string& content) {
            std::string kept;
            for (std::size_t at = 0, end; (end = content.find('\n', at)) != std::string::npos; at = end + 1) {
                const std::string line = content.substr(at, end - at);
                const std::size_t space = line.find(' ');
                if (space == std::string::npos || !movedIds.contains(line.substr(space + 1)))
                    kept += line + "\n";
            }
            return std::optional(kept);
        });
        if (error)
            return error;
    }
    return std::nullopt;
}

} // namespace

std::string RecordsStem(const std::string& recordsPath)
{
    const std::string suffix = ".jsonl";
    const bool jsonl = recordsPath.size() > suffix.size() && recordsPath.ends_with(suffix);
    return jsonl ? recordsPath.substr(0, recordsPath.size() - suffix.size()) : recordsPath;
}

std::string ArchivePath(const std::string& spoolPath, const std::string& month)
{
    return RecordsStem(spoolPath) + "." + month + ".jsonl";
}

ArchiveResult ArchiveSettledRecords(const std::string& spoolPath, std::chrono::system_clock::time_point now)
{
    ArchiveResult result;
    std::optional<std::vector<OwedDatabase>> read;
    const auto databases = [&]() -> const std::vector<OwedDatabase>& {
        if (!read)
            read = OwedDatabases(spoolPath);
        return *read;
    };
    if (!moveDue(spoolPath, os::UtcText(now - kKeepLive - kArchiveSlack), databases))
        return result;
    const std::string cutoff = os::UtcText(now - kKeepLive);
    std::set<std::string> movedIds;
    std::optional<std::string> archiveError;
    // The archives are written and synced before the live file loses a line.
    std::optional<std::string> error =
        os::RewriteSynced(spoolPath, [&](const std::string& content) -> std::optional<std::string> {
            Split parts = split(content, cutoff, databases());
            for (const auto& [month, lines] : parts.byMonth) {
                result.archives.push_back(ArchivePath(spoolPath, month));
                if ((archiveError = os::AppendSynced(result.archives.back(), lines)))
                    return std::nullopt;
            }
            if (parts.movedIds.empty())
                return std::nullopt;
            movedIds = std::move(parts.movedIds);
            return std::move(parts.kept);
        });
    result.error = archiveError ? archiveError : error;
    if (result.error)
        return result;
    result.moved = movedIds.size();
    if (!movedIds.empty())
        result.error = trimSidecars(spoolPath, movedIds);
    return result;
}

} // namespace zorvane

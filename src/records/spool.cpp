#include "records/spool.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "os/append_file.h"
#include "records/record_line.h"

namespace zorvane {

namespace {

// The file's whole lines; none when it is missing.
std::optional<std::vector<std::string>> wholeLines(const std::string& path, std::optional<std::string>& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno != ENOENT)
            error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

} // namespace

Spool ReadSpool(const std::string& path)
{
    Spool spool;
    const std::optional<std::vector<std::string>> lines = wholeLines(path, spool.error);
    if (!lines)
        return spool;
    for (std::size_t i = 0; i < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        if (line.empty())
            continue;
        if (std::optional<std::string> id = RecordIdOf(line))
            spool.records.push_back({std::move(*id), line, i + 1});
        else
            spool.unreadable.push_back(i + 1);
    }
    return spool;
}

std::string SentIdsPath(const std::string& spoolPath)
{
    return spoolPath + ".sent";
}

namespace {

SentIds readIds(const std::string& path)
{
    SentIds ids;
    ids.ids = wholeLines(path, ids.error).value_or(std::vector<std::string>{});
    return ids;
}

} // namespace

SentIds ReadSentIds(const std::string& spoolPath)
{
    return readIds(SentIdsPath(spoolPath));
}

std::string RefusedIdsPath(const std::string& spoolPath)
{
    return spoolPath + ".refused";
}

SentIds ReadRefusedIds(const std::string& spoolPath)
{
    return readIds(RefusedIdsPath(spoolPath));
}

std::optional<std::string> MarkRefused(const std::string& spoolPath, const std::string& id)
{
    return os::AppendSynced(RefusedIdsPath(spoolPath), id + "\n");
}

std::optional<std::string> MarkSent(const std::string& spoolPath, const std::vector<std::string>& ids)
{
    if (ids.empty())
        return std::nullopt;
    std::string text;
    for (const std::string& id : ids)
        text += id + "\n";
    return os::AppendSynced(SentIdsPath(spoolPath), text);
}

std::vector<SpooledRecord> PendingRecords(const Spool& spool, const std::vector<std::string>& sent)
{
    std::set<std::string> done(sent.begin(), sent.end());
    std::vector<SpooledRecord> pending;
    for (const SpooledRecord& record : spool.records)
        if (done.insert(record.id).second)   // a line copied twice is one record
            pending.push_back(record);
    return pending;
}

} // namespace zorvane

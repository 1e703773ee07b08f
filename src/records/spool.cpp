#include "records/spool.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// A part of a file name: letters, digits, dots and dashes stay, the rest
// (a socket folder's slashes) as %XX.
std::string fileNamePart(const std::string& text)
{
    std::string part;
    for (const unsigned char c : text) {
        if (std::isalnum(c) != 0 || c == '.' || c == '-') {
            part += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            part += escaped;
        }
    }
    return part;
}

constexpr const char* kOwedSuffix = ".sent";
constexpr const char* kHeader = "# flash records owed to ";

// FILE.sent and FILE.refused: what an earlier version kept for the one
// database it sent to.
std::string legacySentPath(const std::string& spoolPath) { return spoolPath + ".sent"; }
std::string legacyRefusedPath(const std::string& spoolPath) { return spoolPath + ".refused"; }

std::vector<std::string> idLines(const std::string& path)
{
    std::optional<std::string> ignored;   // a list that cannot be read is no list to take over
    return wholeLines(path, ignored).value_or(std::vector<std::string>{});
}

} // namespace

std::vector<std::string> OwedFiles(const std::string& spoolPath)
{
    const std::filesystem::path spool(spoolPath);
    const std::string prefix = spool.filename().string() + ".";
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(
             spool.parent_path().empty() ? std::filesystem::path(".") : spool.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > prefix.size() + std::strlen(kOwedSuffix) && name.rfind(prefix, 0) == 0 &&
            name.ends_with(kOwedSuffix) && name.find('@', prefix.size()) != std::string::npos)
            found.push_back((spool.parent_path() / name).string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

namespace {

// The lists an earlier version kept become the first database's, with
// every record of the spool due to it, as that version sent them all.
std::optional<std::string> takeOverEarlierLists(const std::string& spoolPath, const DatabasePlace& place)
{
    const std::string path = OwedPath(spoolPath, place);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || !OwedFiles(spoolPath).empty() ||
        (!std::filesystem::exists(legacySentPath(spoolPath), ec) &&
         !std::filesystem::exists(legacyRefusedPath(spoolPath), ec)))
        return std::nullopt;
    std::string text = kHeader + place.url() + "\n";
    for (const SpooledRecord& record : ReadSpool(spoolPath).records)
        text += "due " + record.id + "\n";
    for (const std::string& id : idLines(legacySentPath(spoolPath)))
        text += "sent " + id + "\n";
    for (const std::string& id : idLines(legacyRefusedPath(spoolPath)))
        text += "refused " + id + "\n";
    return os::AppendSynced(path, text);
}

Owed readOwedFile(const std::string& path)
{
    Owed owed;
    const std::optional<std::vector<std::string>> lines = wholeLines(path, owed.error);
    for (const std::string& line : lines.value_or(std::vector<std::string>{})) {
        const std::size_t space = line.find(' ');
        const std::string kind = line.substr(0, space);
        const std::string id = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (kind == "due")
            owed.due.insert(id);
        else if (kind == "sent")
            owed.sent.insert(id), owed.lastSent = id;
        else if (kind == "refused")
            owed.refused.insert(id);
    }
    return owed;
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

std::string DatabasePlace::url() const
{
    std::string shownHost;
    for (const char c : host)
        shownHost += c == '/' ? std::string("%2F") : std::string(1, c);
    if (host.find(':') != std::string::npos)
        shownHost = "[" + shownHost + "]";
    return "postgresql://" + shownHost + ":" + port + "/" + name;
}

std::string OwedPath(const std::string& spoolPath, const DatabasePlace& place)
{
    return spoolPath + "." + fileNamePart(place.name) + "@" + fileNamePart(place.host) + "-" +
           fileNamePart(place.port) + kOwedSuffix;
}

Owed ReadOwed(const std::string& spoolPath, const DatabasePlace& place)
{
    if (std::optional<std::string> error = takeOverEarlierLists(spoolPath, place)) {
        Owed owed;
        owed.error = error;
        return owed;
    }
    return readOwedFile(OwedPath(spoolPath, place));
}

std::optional<std::string> MarkOwed(const std::string& spoolPath, const DatabasePlace& place, OwedMark mark,
                                    const std::vector<std::string>& ids)
{
    if (ids.empty())
        return std::nullopt;
    if (std::optional<std::string> error = takeOverEarlierLists(spoolPath, place))
        return error;
    const std::string path = OwedPath(spoolPath, place);
    std::error_code ec;
    std::string text = std::filesystem::exists(path, ec) ? "" : kHeader + place.url() + "\n";
    const char* kind = mark == OwedMark::Due ? "due " : mark == OwedMark::Sent ? "sent " : "refused ";
    for (const std::string& id : ids)
        text += kind + id + "\n";
    return os::AppendSynced(path, text);
}

std::vector<OwedDatabase> OwedDatabases(const std::string& spoolPath)
{
    std::vector<OwedDatabase> databases;
    for (const std::string& path : OwedFiles(spoolPath)) {
        const std::vector<std::string> lines = idLines(path);
        std::string url = !lines.empty() && lines.front().rfind(kHeader, 0) == 0
                              ? lines.front().substr(std::strlen(kHeader))
                              : std::filesystem::path(path).filename().string();
        databases.push_back({std::move(url), readOwedFile(path)});
    }
    return databases;
}

std::vector<SpooledRecord> PendingRecords(const Spool& spool, const Owed& owed, bool includeEarlier)
{
    std::set<std::string> done(owed.sent);
    done.insert(owed.refused.begin(), owed.refused.end());
    std::vector<SpooledRecord> pending;
    // A list that cannot be read sends everything again, which a database ignores.
    const bool every = includeEarlier || owed.error.has_value();
    for (const SpooledRecord& record : spool.records)
        if ((every || owed.due.contains(record.id)) && done.insert(record.id).second)
            pending.push_back(record);   // a line copied twice is one record
    return pending;
}

} // namespace zorvane

#include "cli/records_commands.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "cli/exit_codes.h"
#include "cli/refusal_text.h"
#include "prepare/records_choice.h"
#include "files/shown_text.h"
#include "records/json_line.h"
#include "records/migrations.h"
#include "records/record_line.h"
#include "records/records_database.h"
#include "records/spool.h"
#include "records/spool_archive.h"

namespace zorvane::cli {

namespace {

void warnUnreadable(const std::vector<std::size_t>& lines, const std::string& spool)
{
    for (std::size_t line : lines)
        std::fprintf(stderr, "zorvane-flash: warning: line %zu of %s is not a flash record: it is not sent\n", line,
                     files::ShownText(spool).c_str());
}

// Where the records a database refused are noted.
std::string setAsidePath(const std::string& spool, const std::string& url)
{
    return OwedPath(spool, PlaceOf(url));
}

void warnRefused(const std::vector<std::string>& refused, const std::string& spool, const std::string& url)
{
    for (const std::string& record : refused)
        std::fprintf(stderr, "zorvane-flash: warning: %s; it is set aside in %s\n", files::ShownText(record).c_str(),
                     files::ShownText(setAsidePath(spool, url)).c_str());
}

void warnClock(const std::optional<std::chrono::seconds>& off, const std::string& url)
{
    if (off)
        std::fprintf(stderr, "zorvane-flash: warning: %s\n", files::ShownText(ClockOffText(*off, url)).c_str());
}

// What a round set aside or could not read, a line each, and a clock that is off.
void warnOf(const ForwardResult& result, const std::string& spool, const std::string& url)
{
    warnUnreadable(result.unreadable, spool);
    warnRefused(result.refused, spool, url);
    warnClock(result.clockOff, url);
}

// A field of a record as text: a string as it is, null or missing as
// nothing, any other value as its JSON.
std::string fieldText(const nlohmann::json& object, const char* name)
{
    const auto found = object.find(name);
    if (found == object.end() || found->is_null())
        return {};
    return found->is_string() ? found->get<std::string>() : JsonLine(*found);
}

// "2026-12-07T17:14:02Z, unit SN-4711 on /dev/ttyUSB0, success"
std::string recordSummary(const std::string& line)
{
    const std::optional<nlohmann::json> record = RecordObject(line);
    if (!record)
        return {};
    const std::string unit = fieldText(*record, "unit");
    const std::string port = fieldText(*record, "port");
    std::string text = fieldText(*record, "time");
    if (!unit.empty())
        text += ", unit " + unit;
    if (!port.empty())
        text += (unit.empty() ? ", port " : " on ") + port;
    const auto outcome = record->find("outcome");
    if (outcome != record->end() && outcome->is_object() && outcome->contains("stage"))
        text += ", " + fieldText(*outcome, "stage");
    return text;
}

} // namespace

int ForwardRecordsCommand(std::FILE* out, const std::string& spool, const std::string& url, bool includeEarlier)
{
    os::SocketWaiter waiter;
    const ForwardResult result =
        ForwardPending(spool, url, waiter, {}, {.includeEarlier = includeEarlier, .checkClock = true});
    warnOf(result, spool, url);
    if (result.pending > 0 || result.problem) {
        std::fprintf(stderr, "zorvane-flash: %s%s%s\n", files::ShownText(WaitingText(result.pending, url)).c_str(),
                     result.problem ? ": " : "", files::ShownText(result.problem.value_or("")).c_str());
        if (result.pending > 0 || result.spoolUnreadable)
            return kExitDatabase;   // what waits is sent later; what was set aside is told with it above
    } else {
        std::fprintf(out, "Sent %zu flash record%s to %s; none waiting.\n", result.sent, result.sent == 1 ? "" : "s",
                     files::ShownText(url).c_str());
    }
    if (result.refused.empty())
        return kExitSuccess;
    std::fprintf(stderr, "zorvane-flash: %zu flash record%s refused by the database for good, set aside in %s\n",
                 result.refused.size(), result.refused.size() == 1 ? "" : "s",
                 files::ShownText(setAsidePath(spool, url)).c_str());
    return kExitSetAside;
}

namespace {

// Without a database: what waits for the databases configured before, if any.
int statusWithoutDatabase(std::FILE* out, const RecordsStatus& status, const std::string& settingsFile)
{
    std::string waitingFor;
    for (const std::string& url : status.waitingFor)
        waitingFor += (waitingFor.empty() ? " (for " : ", ") + url;
    std::fprintf(out, "Waiting: %zu%s\nSet aside: %zu\n", status.pending,
                 files::ShownText(waitingFor.empty() ? "" : waitingFor + ")").c_str(), status.setAside);
    std::fprintf(out, "Database: none configured (--database URL, or Database= in [Records] of %s)\n",
                 files::ShownText(settingsFile).c_str());
    return status.problem ? kExitDatabase : kExitSuccess;
}

void showLastSent(std::FILE* out, const RecordsStatus& status)
{
    if (!status.lastSentId)
        std::fprintf(out, "Last sent: none\n");
    else if (!status.lastSent)
        std::fprintf(out, "Last sent: %s\n", files::ShownText(*status.lastSentId).c_str());
    else
        std::fprintf(out, "Last sent: %s (%s)\n", files::ShownText(*status.lastSentId).c_str(),
                     files::ShownText(recordSummary(*status.lastSent)).c_str());
}

} // namespace

int RecordsStatusCommand(std::FILE* out, const std::string& spool, const std::string& url,
                         const std::string& settingsFile)
{
    os::SocketWaiter waiter;
    const RecordsStatus status = ReadRecordsStatus(spool, url, waiter);
    warnUnreadable(status.unreadable, spool);
    std::fprintf(out, "Records file: %s\n", files::ShownText(spool).c_str());
    if (url.empty())
        return statusWithoutDatabase(out, status, settingsFile);
    std::fprintf(out, "Waiting: %zu\nSet aside: %zu (refused by the database, in %s)\n", status.pending,
                 status.setAside, files::ShownText(status.owedFile).c_str());
    showLastSent(out, status);
    if (status.schema && !status.problem)
        std::fprintf(out, "Database: %s: reachable, schema version %d\n", files::ShownText(url).c_str(),
                     *status.schema);
    else
        std::fprintf(out, "Database: %s: %s%s\n", files::ShownText(url).c_str(), status.schema ? "reachable, but " : "",
                     files::ShownText(status.problem.value_or("")).c_str());
    std::fprintf(out, "Password: %s\n", files::ShownText(ProtectionText(ProtectionFor(url), url)).c_str());
    warnClock(status.clockOff, url);
    return status.schema && !status.problem ? kExitSuccess : kExitDatabase;
}

int InitDatabaseCommand(std::FILE* out, const std::string& url, bool roles)
{
    os::SocketWaiter waiter;
    const std::variant<std::vector<int>, std::string> done = InitDatabase(url, waiter, roles);
    if (const std::string* error = std::get_if<std::string>(&done)) {
        std::fprintf(stderr, "zorvane-flash: %s\n", files::ShownText(*error).c_str());
        return kExitDatabase;
    }
    for (int version : std::get<std::vector<int>>(done))
        for (const Migration& migration : Migrations())
            if (migration.version == version)
                std::fprintf(out, "Applied %.*s\n", static_cast<int>(migration.name.size()), migration.name.data());
    std::fprintf(out, "%s: schema version %d\n", files::ShownText(url).c_str(), ProgramSchemaVersion());
    if (roles)
        std::fprintf(out,
                     "Roles: %s may add flash records and read them, never change nor delete one; %s may read them.\n"
                     "A log-in for each bench and for each reader, made by the owner (in psql, then \\password NAME):\n"
                     "  CREATE ROLE bench7 LOGIN IN ROLE %s;\n"
                     "  CREATE ROLE quality LOGIN IN ROLE %s;\n",
                     kBenchRole, kReadRole, kBenchRole, kReadRole);
    return kExitSuccess;
}

void ArchiveOldRecords(const std::string& spool)
{
    const ArchiveResult archived = ArchiveSettledRecords(spool, std::chrono::system_clock::now());
    if (archived.error)
        std::fprintf(stderr, "zorvane-flash: warning: the flash records older than %lld days stay in %s: %s\n",
                     static_cast<long long>(kKeepLive.count()), files::ShownText(spool).c_str(),
                     files::ShownText(*archived.error).c_str());
}

RecordForwarder::Done ForwardLog::keeper()
{
    return [self = shared_from_this()](const ForwardResult& round) {
        const std::lock_guard lock(self->mutex_);
        self->rounds_.push_back(round);
    };
}

std::vector<ForwardResult> ForwardLog::rounds()
{
    const std::lock_guard lock(mutex_);
    return rounds_;
}

void FinishForwarding(RecordForwarder& forwarder, ForwardLog& log)
{
    const std::size_t earlier = log.rounds().size();
    forwarder.forward(log.keeper());
    // The forwarder's end may let a stuck sender go after a wait of its own:
    // both together stay within the time promised.
    const bool done = forwarder.waitIdle(kExitSendTime - RecordForwarder::kLetGoAfter);
    const std::vector<ForwardResult> rounds = log.rounds();
    // What any round set aside is told once, at the end: the screen is the runs' until then.
    for (const ForwardResult& round : rounds)
        warnRefused(round.refused, forwarder.spoolPath(), forwarder.url());
    const auto clockLooked = std::find_if(rounds.begin(), rounds.end(), [](const ForwardResult& round) {
        return round.clockOff.has_value();
    });
    if (clockLooked != rounds.end())
        warnClock(clockLooked->clockOff, forwarder.url());
    if (!done || rounds.size() == earlier) {
        std::fprintf(stderr, "zorvane-flash: warning: flash records still being sent to %s after %lld s: "
                             "they are sent at the next start\n",
                     files::ShownText(forwarder.url()).c_str(), static_cast<long long>(kExitSendTime.count()));
        return;
    }
    const ForwardResult& last = rounds.back();
    warnUnreadable(last.unreadable, forwarder.spoolPath());
    if (last.pending > 0 || last.problem)
        std::fprintf(stderr, "zorvane-flash: warning: %s: %s\n",
                     files::ShownText(WaitingText(last.pending, forwarder.url())).c_str(),
                     files::ShownText(last.problem.value_or("not sent")).c_str());
}

int RecordsCommand(const CliOptions& options, const prepare::Settings& settings, const std::string& url)
{
    const std::string records = *prepare::RecordFileFor(options.recordFile, false);
    if (options.recordsStatus)
        return RecordsStatusCommand(stdout, records, url, settings.file);
    if (url.empty())
        return UsageError("no records database: give --database URL, or Database= in [Records] of " + settings.file);
    if (options.initDatabase)
        return InitDatabaseCommand(stdout, url, options.roles);
    return ForwardRecordsCommand(stdout, records, url, options.includeEarlier);
}

} // namespace zorvane::cli

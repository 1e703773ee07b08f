#include "records/record_forwarder.h"

#include <algorithm>

#include "records/records_database.h"
#include "records/spool.h"

namespace zorvane {

namespace {

// Sent ids are noted in batches: a crash between a send and its note only
// sends a record again, which the database ignores.
constexpr std::size_t kNoteEvery = 50;

// A connection to a database whose schema takes this program's records.
std::variant<std::unique_ptr<RecordsDatabase>, std::string> readyDatabase(const std::string& url,
                                                                          os::SocketWaiter& waiter,
                                                                          std::optional<int>* schema)
{
    auto connected = RecordsDatabase::Connect(url, waiter);
    if (auto* error = std::get_if<std::string>(&connected))
        return "not reachable: " + *error;
    auto database = std::move(std::get<std::unique_ptr<RecordsDatabase>>(connected));
    const std::variant<int, std::string> version = database->schemaVersion();
    if (const auto* error = std::get_if<std::string>(&version))
        return "its schema cannot be read: " + *error;
    if (schema != nullptr)
        *schema = std::get<int>(version);   // told even when it is too old
    if (std::optional<std::string> problem = SchemaProblem(std::get<int>(version), url))
        return *problem;
    return database;
}

// Sends the records in order until one fails; notes those sent.
std::optional<std::string> sendAll(RecordsDatabase& database, const std::string& spoolPath,
                                   const std::vector<SpooledRecord>& pending, std::size_t& sent)
{
    std::vector<std::string> unnoted;
    std::optional<std::string> problem;
    for (const SpooledRecord& record : pending) {
        if (std::optional<std::string> error = database.insert(record)) {
            problem = "line " + std::to_string(record.lineNumber) + " of " + spoolPath + " was not stored: " + *error;
            break;
        }
        ++sent;
        unnoted.push_back(record.id);
        if (unnoted.size() == kNoteEvery || &record == &pending.back()) {
            if (std::optional<std::string> error = MarkSent(spoolPath, unnoted))
                return error;
            unnoted.clear();
        }
    }
    if (std::optional<std::string> error = MarkSent(spoolPath, unnoted))
        return error;
    return problem;
}

} // namespace

ForwardResult ForwardPending(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter)
{
    ForwardResult result;
    const Spool spool = ReadSpool(spoolPath);
    const SentIds sent = ReadSentIds(spoolPath);
    const std::vector<SpooledRecord> pending = PendingRecords(spool, sent.ids);
    result.unreadable = spool.unreadable;
    result.pending = pending.size();
    if (spool.error || sent.error) {
        result.problem = spool.error ? *spool.error : *sent.error;
        if (spool.error)
            return result;
    }
    if (pending.empty())
        return result;
    auto ready = readyDatabase(url, waiter, nullptr);
    if (auto* problem = std::get_if<std::string>(&ready)) {
        result.problem = *problem;
        return result;
    }
    if (std::optional<std::string> problem =
            sendAll(*std::get<std::unique_ptr<RecordsDatabase>>(ready), spoolPath, pending, result.sent))
        result.problem = problem;
    result.pending -= result.sent;
    return result;
}

RecordsStatus ReadRecordsStatus(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter)
{
    RecordsStatus status;
    const Spool spool = ReadSpool(spoolPath);
    const SentIds sent = ReadSentIds(spoolPath);
    status.pending = PendingRecords(spool, sent.ids).size();
    status.unreadable = spool.unreadable;
    if (!sent.ids.empty()) {
        status.lastSentId = sent.ids.back();
        const auto line = std::find_if(spool.records.begin(), spool.records.end(),
                                       [&](const SpooledRecord& record) { return record.id == sent.ids.back(); });
        if (line != spool.records.end())
            status.lastSent = line->line;
    }
    auto ready = readyDatabase(url, waiter, &status.schema);
    if (auto* problem = std::get_if<std::string>(&ready))
        status.problem = *problem;
    if (spool.error)
        status.problem = spool.error;
    return status;
}

std::variant<std::vector<int>, std::string> InitDatabase(const std::string& url, os::SocketWaiter& waiter)
{
    auto connected = RecordsDatabase::Connect(url, waiter);
    if (auto* error = std::get_if<std::string>(&connected))
        return "not reachable: " + *error;
    RecordsDatabase& database = *std::get<std::unique_ptr<RecordsDatabase>>(connected);
    const std::variant<int, std::string> version = database.schemaVersion();
    if (const auto* error = std::get_if<std::string>(&version))
        return "its schema cannot be read: " + *error;
    std::vector<int> applied;
    for (const Migration& migration : Migrations()) {
        if (migration.version <= std::get<int>(version))
            continue;
        if (std::optional<std::string> error = database.migrate(migration))
            return "cannot apply " + *error;
        applied.push_back(migration.version);
    }
    return applied;
}

std::string WaitingText(std::size_t pending, const std::string& url)
{
    return std::to_string(pending) + (pending == 1 ? " flash record" : " flash records") + " waiting for " + url;
}

RecordForwarder::RecordForwarder(std::string spoolPath, std::string url)
    : spoolPath_(std::move(spoolPath)), url_(std::move(url)),
      thread_([this](std::stop_token stop) { loop(stop); })
{
}

RecordForwarder::~RecordForwarder()
{
    thread_.request_stop();
    waiter_.wake();
}

void RecordForwarder::forward(Done done)
{
    {
        const std::lock_guard lock(mutex_);
        asked_.push_back(done ? std::move(done) : Done([](const ForwardResult&) {}));
    }
    changed_.notify_all();
}

bool RecordForwarder::waitIdle(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return asked_.empty() && !busy_; });
}

void RecordForwarder::loop(std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    while (changed_.wait(lock, stop, [this] { return !asked_.empty(); })) {
        // One round answers every request made before it started.
        std::vector<Done> answering = std::move(asked_);
        asked_.clear();
        busy_ = true;
        lock.unlock();
        const ForwardResult result = ForwardPending(spoolPath_, url_, waiter_);
        for (const Done& done : answering)
            done(result);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace zorvane

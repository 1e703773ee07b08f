#include "records/record_forwarder.h"

#include <algorithm>
#include <cstdio>
#include <exception>

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
        return *error;
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

// Sends the records in order until the connection fails or a stop is
// asked for; notes those sent, and sets aside (with a warning) a record the
// server refuses for good, so that it holds up none after it.
std::optional<std::string> sendAll(RecordsDatabase& database, const std::string& spoolPath, const DatabasePlace& place,
                                   const std::vector<SpooledRecord>& pending, ForwardResult& result,
                                   const std::stop_token& stop)
{
    std::vector<std::string> unnoted;
    std::optional<std::string> problem;
    for (const SpooledRecord& record : pending) {
        if (stop.stop_requested()) {
            problem = "stopped";
            break;
        }
        const std::string where = "line " + std::to_string(record.lineNumber) + " of " + spoolPath;
        if (std::optional<InsertError> error = database.insert(record)) {
            if (!error->recordRefused) {
                problem = where + " was not stored: " + error->text;
                break;
            }
            result.refused.push_back(where + " was refused: " + error->text);
            if (std::optional<std::string> noted = MarkOwed(spoolPath, place, OwedMark::Refused, {record.id}))
                return noted;
            continue;
        }
        ++result.sent;
        unnoted.push_back(record.id);
        if (unnoted.size() == kNoteEvery) {
            if (std::optional<std::string> noted = MarkOwed(spoolPath, place, OwedMark::Sent, unnoted))
                return noted;
            unnoted.clear();
        }
    }
    if (std::optional<std::string> noted = MarkOwed(spoolPath, place, OwedMark::Sent, unnoted))
        return noted;
    return problem;
}

// The server's clock less the bench's, when they differ by more than the
// tolerance; the bench's is read on both sides of the question.
std::optional<std::chrono::seconds> clockOff(RecordsDatabase& database)
{
    const auto before = std::chrono::system_clock::now();
    const auto server = database.serverTime();
    const auto after = std::chrono::system_clock::now();
    const auto* at = std::get_if<std::chrono::system_clock::time_point>(&server);
    return at == nullptr ? std::nullopt : ClockOff(*at, before, after);
}

// Whatever goes wrong in a round is one problem of that round: the records
// stay pending, and neither the sender nor the program it serves ends.
template <typename Work>
ForwardResult guarded(const Work& work)
{
    try {
        return work();
    } catch (const std::exception& e) {
        ForwardResult failed;
        failed.problem = std::string("the sending failed: ") + e.what();
        return failed;
    } catch (...) {
        ForwardResult failed;
        failed.problem = "the sending failed";
        return failed;
    }
}

} // namespace

ForwardResult ForwardPending(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter,
                             const std::stop_token& stop, ForwardChoices choices)
{
    const bool includeEarlier = choices.includeEarlier;
    ForwardResult result;
    const DatabasePlace place = PlaceOf(url);
    const Spool spool = ReadSpool(spoolPath);
    const Owed owed = ReadOwed(spoolPath, place);
    if (includeEarlier && !spool.error && !owed.error) {
        // From now on they are owed: a later round sends them too.
        std::vector<std::string> earlier;
        for (const SpooledRecord& record : PendingRecords(spool, owed, true))
            if (!owed.due.contains(record.id))
                earlier.push_back(record.id);
        if (std::optional<std::string> error = MarkOwed(spoolPath, place, OwedMark::Due, earlier))
            result.problem = error;
    }
    const std::vector<SpooledRecord> pending = PendingRecords(spool, owed, includeEarlier);
    result.unreadable = spool.unreadable;
    result.pending = pending.size();
    if (spool.error) {
        result.problem = spool.error;
        result.spoolUnreadable = true;
        return result;
    }
    if (owed.error)
        result.problem = owed.error;   // everything is sent again, which the database ignores
    if ((pending.empty() && !choices.checkClock) || stop.stop_requested())
        return result;
    auto ready = readyDatabase(url, waiter, nullptr);
    if (auto* problem = std::get_if<std::string>(&ready)) {
        result.problem = *problem;
        return result;
    }
    RecordsDatabase& database = *std::get<std::unique_ptr<RecordsDatabase>>(ready);
    if (choices.checkClock)
        result.clockOff = clockOff(database);
    if (std::optional<std::string> problem = sendAll(database, spoolPath, place, pending, result, stop))
        result.problem = problem;
    result.pending -= result.sent + result.refused.size();
    return result;
}

RecordsStatus ReadRecordsStatus(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter)
{
    RecordsStatus status;
    const Spool spool = ReadSpool(spoolPath);
    status.unreadable = spool.unreadable;
    const std::optional<DatabasePlace> place = url.empty() ? std::nullopt : std::optional(PlaceOf(url));
    if (place)
        status.owedFile = OwedPath(spoolPath, *place);
    std::optional<std::string> sidecarError;
    for (const OwedDatabase& database : place ? std::vector<OwedDatabase>{{url, ReadOwed(spoolPath, *place)}}
                                              : OwedDatabases(spoolPath)) {
        const std::size_t pending = PendingRecords(spool, database.owed).size();
        status.pending += pending;
        status.setAside += database.owed.refused.size();
        if (pending > 0)
            status.waitingFor.push_back(database.url);
        sidecarError = sidecarError ? sidecarError : database.owed.error;
        if (database.owed.lastSent && place) {
            status.lastSentId = database.owed.lastSent;
            const auto line = std::find_if(spool.records.begin(), spool.records.end(),
                                           [&](const SpooledRecord& record) { return record.id == *status.lastSentId; });
            if (line != spool.records.end())
                status.lastSent = line->line;
        }
    }
    if (place) {
        auto ready = readyDatabase(url, waiter, &status.schema);
        if (auto* problem = std::get_if<std::string>(&ready))
            status.problem = *problem;
        else
            status.clockOff = clockOff(*std::get<std::unique_ptr<RecordsDatabase>>(ready));
    }
    if (spool.error || sidecarError)
        status.problem = spool.error ? spool.error : sidecarError;
    return status;
}

std::variant<std::vector<int>, std::string> InitDatabase(const std::string& url, os::SocketWaiter& waiter,
                                                        bool roles)
{
    auto connected = RecordsDatabase::Connect(url, waiter);
    if (auto* error = std::get_if<std::string>(&connected))
        return *error;
    RecordsDatabase& database = *std::get<std::unique_ptr<RecordsDatabase>>(connected);
    if (std::optional<std::string> error = database.lockSchema())
        return "cannot wait for another migration of " + url + ": " + *error;
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
    if (std::optional<std::string> error = database.grantRoles(roles))
        return *error;
    return applied;
}

std::optional<std::chrono::seconds> ClockOff(std::chrono::system_clock::time_point server,
                                             std::chrono::system_clock::time_point before,
                                             std::chrono::system_clock::time_point after)
{
    // The server answered somewhere between the two readings: its middle
    // is the fairest guess, off by at most half the round trip.
    const auto off = std::chrono::round<std::chrono::seconds>(server - (before + (after - before) / 2));
    if (off > kClockTolerance || off < -kClockTolerance)
        return off;
    return std::nullopt;
}

std::string ClockOffText(std::chrono::seconds off, const std::string& url)
{
    const long long total = off.count() < 0 ? -off.count() : off.count();
    std::string amount = total >= 3600 ? std::to_string(total / 3600) + " h " + std::to_string(total % 3600 / 60) + " min"
                                       : std::to_string(total / 60) + " min " + std::to_string(total % 60) + " s";
    return "this bench's clock is " + amount + (off.count() > 0 ? " behind" : " ahead of") +
           " the records database's (" + url +
           "): the records' times and the check of release signatures' dates depend on it; set the clock right";
}

std::string WaitingText(std::size_t pending, const std::string& url)
{
    return std::to_string(pending) + (pending == 1 ? " flash record" : " flash records") + " waiting for " + url;
}

RecordForwarder::RecordForwarder(std::string spoolPath, std::string url)
    : shared_(std::make_shared<Shared>(std::move(spoolPath), std::move(url)))
{
    // The thread holds the state it works on: one stuck where nothing can
    // wake it (a name lookup on a dead network) is let go at the end and
    // finishes on its own, its records still waiting in the spool.
    ended_ = shared_->ended.get_future();
    thread_ = std::thread([shared = shared_] {
        Loop(*shared);
        shared->ended.set_value();
    });
}

RecordForwarder::~RecordForwarder()
{
    shared_->stop.request_stop();
    shared_->changed.notify_all();
    shared_->waiter.wake();
    if (ended_.wait_for(kLetGoAfter) == std::future_status::ready) {
        thread_.join();
        return;
    }
    const std::lock_guard lock(shared_->mutex);   // a done under way ends first
    shared_->letGo = true;
    thread_.detach();
}

void RecordForwarder::forward(Done done)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->asked.push_back(done ? std::move(done) : Done([](const ForwardResult&) {}));
    }
    shared_->changed.notify_all();
}

bool RecordForwarder::waitIdle(std::chrono::milliseconds limit)
{
    Shared& shared = *shared_;
    std::unique_lock lock(shared.mutex);
    return shared.changed.wait_for(lock, limit, [&shared] { return shared.asked.empty() && !shared.busy; });
}

void RecordForwarder::answerRound(const std::vector<Done>& answering, Shared& shared, const std::stop_token& stop)
{
    // Only the sender's thread touches clockChecked.
    const ForwardResult result = guarded([&] {
        return ForwardPending(shared.spoolPath, shared.url, shared.waiter, stop, {.checkClock = !shared.clockChecked});
    });
    shared.clockChecked = shared.clockChecked || !result.problem || result.clockOff;
    for (const Done& done : answering) {
        // Whoever asked may be gone (a window closed) once the sender was let go.
        const std::lock_guard lock(shared.mutex);
        if (shared.letGo)
            return;
        // A report that cannot be taken is told here, where it is lost.
        const ForwardResult lost = guarded([&] { return done(result), ForwardResult{}; });
        if (lost.problem)
            std::fprintf(stderr, "zorvane: a report of the flash records sent was lost: %s\n", lost.problem->c_str());
    }
}

void RecordForwarder::Loop(Shared& shared)
{
    const std::stop_token stop = shared.stop.get_token();
    std::unique_lock lock(shared.mutex);
    while (shared.changed.wait(lock, stop, [&shared] { return !shared.asked.empty(); }) && !stop.stop_requested()) {
        // One round answers every request made before it started.
        std::vector<Done> answering = std::move(shared.asked);
        shared.asked.clear();
        shared.busy = true;
        lock.unlock();
        answerRound(answering, shared, stop);
        lock.lock();
        shared.busy = false;
        shared.changed.notify_all();
    }
}

} // namespace zorvane

// Store and forward: every flash record is first kept in the records file
// (the spool), then sent to the records database in the background. Nothing
// waits on the network but what asks to, and then only as long as it says.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <stop_token>
#include <thread>
#include <variant>
#include <vector>

#include "os/socket_wait.h"

namespace zorvane {

struct ForwardResult {
    std::size_t sent = 0;                   // in this round
    std::size_t pending = 0;                // left unsent
    std::vector<std::size_t> unreadable;    // line numbers of lines that are not records
    std::vector<std::string> refused;       // records the database will never take, set aside, in words
    std::optional<std::string> problem;     // why records were left, when some were
    bool spoolUnreadable = false;           // the records file itself could not be read
    // The server's clock less the bench's, when it was looked at and they
    // differ by more than kClockTolerance.
    std::optional<std::chrono::seconds> clockOff;
};

// More than this between the bench's clock and the database's, and record
// times (and the dates release signatures are held to) cannot be trusted.
constexpr std::chrono::minutes kClockTolerance{2};

struct ForwardChoices {
    bool includeEarlier = false;   // also the records written while the database was not configured
    bool checkClock = false;       // compare the bench's clock with the server's, even with nothing to send
};

// The server's clock less the bench's, read before and after the question,
// when they differ by more than kClockTolerance.
std::optional<std::chrono::seconds> ClockOff(std::chrono::system_clock::time_point server,
                                             std::chrono::system_clock::time_point before,
                                             std::chrono::system_clock::time_point after);

// "this bench's clock is 3 min 12 s behind the records database's (URL)..."
std::string ClockOffText(std::chrono::seconds off, const std::string& url);

// Sends every record of the spool the database is owed and does not hold
// yet, and notes each one sent. A stop request ends it between records.
ForwardResult ForwardPending(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter,
                             const std::stop_token& stop = {}, ForwardChoices choices = {});

struct RecordsStatus {
    std::size_t pending = 0;                // for the database, or without one for every database owed some
    std::vector<std::string> waitingFor;    // the databases records wait for
    std::string owedFile;                   // the database's sidecar; empty without a database
    std::size_t setAside = 0;               // refused by the database for good
    std::optional<std::string> lastSent;    // the line of the last record sent, when it is in the spool
    std::optional<std::string> lastSentId;
    std::vector<std::size_t> unreadable;
    std::optional<int> schema;              // the database's schema version, when it was reached
    std::optional<std::string> problem;     // why the database cannot take records, when it cannot
    std::optional<std::chrono::seconds> clockOff;   // as in ForwardResult
};

// url empty: no database is configured; what waits for any is counted.
RecordsStatus ReadRecordsStatus(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter);

// Applies the migrations the database lacks, and gives the group roles their
// rights (with roles, creates them first). The versions applied, or why not.
std::variant<std::vector<int>, std::string> InitDatabase(const std::string& url, os::SocketWaiter& waiter,
                                                        bool roles = false);

// "3 flash records waiting for postgresql://host/db"
std::string WaitingText(std::size_t pending, const std::string& url);

// The background sender: one thread, rounds of ForwardPending on request.
class RecordForwarder {
public:
    using Done = std::function<void(const ForwardResult&)>;

    RecordForwarder(std::string spoolPath, std::string url);
    // How long the end waits for a round it has asked to stop, before it
    // lets the sender go: part of any wait its owner promises at exit.
    static constexpr std::chrono::seconds kLetGoAfter{1};

    // Abandons a round in flight (its records stay pending) and joins, or
    // lets a sender stuck where nothing can wake it go: no done it was given
    // is called after this returns.
    ~RecordForwarder();
    RecordForwarder(const RecordForwarder&) = delete;
    RecordForwarder& operator=(const RecordForwarder&) = delete;

    // Asks for a round; done is called on the sender's thread when it ends.
    void forward(Done done = {});
    // Waits until every round asked for has ended, at most limit; false
    // when some are still going.
    bool waitIdle(std::chrono::milliseconds limit);
    const std::string& url() const { return shared_->url; }
    const std::string& spoolPath() const { return shared_->spoolPath; }

private:
    // What the sender's thread works on; it keeps it alive even when let go.
    struct Shared {
        Shared(std::string spool, std::string to) : spoolPath(std::move(spool)), url(std::move(to)) {}
        const std::string spoolPath;
        const std::string url;
        os::SocketWaiter waiter;
        std::mutex mutex;
        std::condition_variable_any changed;
        std::vector<Done> asked;
        bool clockChecked = false;   // the first round that reaches the server looks at its clock
        bool busy = false;
        bool letGo = false;   // the owner is gone: nobody is told of a round any more
        std::stop_source stop;
        std::promise<void> ended;
    };
    static void Loop(Shared& shared);
    static void answerRound(const std::vector<Done>& answering, Shared& shared, const std::stop_token& stop);

    std::shared_ptr<Shared> shared_;
    std::future<void> ended_;
    std::thread thread_;
};

} // namespace zorvane

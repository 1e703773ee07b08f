// Store and forward: every flash record is first kept in the records file
// (the spool), then sent to the records database in the background. Nothing
// waits on the network but what asks to, and then only as long as it says.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "os/socket_wait.h"

namespace zorvane {

struct ForwardResult {
    std::size_t sent = 0;                   // in this round
    std::size_t pending = 0;                // left unsent
    std::vector<std::size_t> unreadable;    // line numbers of lines that are not records
    std::optional<std::string> problem;     // why records were left, when some were
};

// Sends every record of the spool not yet sent, and notes each one sent.
ForwardResult ForwardPending(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter);

struct RecordsStatus {
    std::size_t pending = 0;
    std::optional<std::string> lastSent;    // the line of the last record sent, when it is in the spool
    std::optional<std::string> lastSentId;
    std::vector<std::size_t> unreadable;
    std::optional<int> schema;              // the database's schema version, when it was reached
    std::optional<std::string> problem;     // why the database cannot take records, when it cannot
};

RecordsStatus ReadRecordsStatus(const std::string& spoolPath, const std::string& url, os::SocketWaiter& waiter);

// Applies the migrations the database lacks. The versions applied, or why not.
std::variant<std::vector<int>, std::string> InitDatabase(const std::string& url, os::SocketWaiter& waiter);

// "3 flash records waiting for postgresql://host/db"
std::string WaitingText(std::size_t pending, const std::string& url);

// The background sender: one thread, rounds of ForwardPending on request.
class RecordForwarder {
public:
    using Done = std::function<void(const ForwardResult&)>;

    RecordForwarder(std::string spoolPath, std::string url);
    // Abandons a round in flight (its records stay pending) and joins.
    ~RecordForwarder();
    RecordForwarder(const RecordForwarder&) = delete;
    RecordForwarder& operator=(const RecordForwarder&) = delete;

    // Asks for a round; done is called on the sender's thread when it ends.
    void forward(Done done = {});
    // Waits until every round asked for has ended, at most limit; false
    // when some are still going.
    bool waitIdle(std::chrono::milliseconds limit);
    const std::string& url() const { return url_; }

private:
    void loop(std::stop_token stop);

    const std::string spoolPath_;
    const std::string url_;
    os::SocketWaiter waiter_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<Done> asked_;
    bool busy_ = false;
    std::jthread thread_;   // last: it starts once everything it uses exists
};

} // namespace zorvane

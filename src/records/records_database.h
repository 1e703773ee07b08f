// The records database (PostgreSQL, through libpq): connecting with a
// deadline that another thread can cut short, the schema's version, and
// storing a record once whatever number of times it is sent.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "os/socket_wait.h"
#include "records/migrations.h"
#include "records/spool.h"

namespace zorvane {

// How long a bench tries to reach the database, and to have one statement
// done, before it leaves its records pending: shop-floor networks drop.
constexpr std::chrono::seconds kConnectTime{3};
constexpr std::chrono::seconds kStatementTime{10};
// A question of the line's report reads up to millions of rows on the server.
constexpr std::chrono::seconds kReportTime{120};

// Why a database URL cannot be used (not a postgresql:// URL, or a
// password in it), or none. The text never repeats the password.
std::optional<std::string> RefusedDatabaseUrl(const std::string& url);

// Where the URL's database is (the host, port and name libpq would use):
// what its records are kept apart by, whatever the user.
DatabasePlace PlaceOf(const std::string& url);

// How the password is kept from a host that poses as the records database.
enum class PasswordProtection {
    ThisMachine,         // a Unix socket or a loopback address: no network between
    ChannelBinding,      // channel_binding=require: the server proves it knows the password
    VerifiedServer,      // sslmode=verify-full: the certificate names the server
    AsTheUrlSays,        // the URL sets channel_binding itself
};

PasswordProtection ProtectionFor(const std::string& url);
// "channel binding required (channel_binding=require): ..." for --records-status.
std::string ProtectionText(PasswordProtection protection, const std::string& url);

struct InsertError {
    std::string text;
    bool recordRefused = false;   // the server will never take this record; others may go on
};

class RecordsDatabase {
public:
    // The connection, or why there is none ("not reachable: ...", "the
    // password was refused: ...", "no password: ..."). waiter.wake() abandons it.
    static std::variant<std::unique_ptr<RecordsDatabase>, std::string> Connect(const std::string& url,
                                                                                os::SocketWaiter& waiter);
    ~RecordsDatabase();
    RecordsDatabase(const RecordsDatabase&) = delete;
    RecordsDatabase& operator=(const RecordsDatabase&) = delete;

    // The version of the schema in the database: 0 before the first migration.
    std::variant<int, std::string> schemaVersion();
    // Applies one migration and records its version, in one transaction.
    std::optional<std::string> migrate(const Migration& migration);
    // Stores the record; one already there stays as it is.
    std::optional<InsertError> insert(const SpooledRecord& record);
    // The group roles a bench's and a reader's log-ins are made members of,
    // with their rights on the records; with create, made when missing,
    // else only given their rights when they exist. Needs the owner.
    std::optional<std::string> grantRoles(bool create);
    // The server's clock now.
    std::variant<std::chrono::system_clock::time_point, std::string> serverTime();
    // Waits for any other session's migration and keeps others waiting for
    // this one's, until it disconnects.
    std::optional<std::string> lockSchema();
    // A read-only question of the line's report (its SQL is the program's,
    // its parameters anyone's): each row's first column, in order.
    std::variant<std::vector<std::string>, std::string> reportRows(const std::string& sql,
                                                                   const std::vector<std::string>& params);

private:
    struct Connection;
    struct Reply;
    RecordsDatabase(std::unique_ptr<Connection> connection, os::SocketWaiter& waiter);
    Reply run(const std::string& sql, const std::vector<std::string>& params,
              std::chrono::seconds limit = kStatementTime);

    std::unique_ptr<Connection> connection_;
    os::SocketWaiter& waiter_;
};

// The group roles: INSERT and SELECT on the records, and SELECT only.
constexpr const char* kBenchRole = "zorvane_bench";
constexpr const char* kReadRole = "zorvane_read";

// Why a database with this schema version cannot take records, or none.
std::optional<std::string> SchemaProblem(int version, const std::string& url);

} // namespace zorvane

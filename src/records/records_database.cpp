#include "records/records_database.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <limits>
#include <map>
#include <vector>

namespace zorvane {

namespace {

// The columns come from the record itself, on the server: what was sent is
// what is searched. A record from before schema 1 lacks some fields; their
// columns stay empty.
constexpr const char* kInsertRecord = R"(
INSERT INTO flash_records (id, time, bench_host, bench_user, unit, port, device, platform, outcome, stage,
                           boot_sha256, eeprom_sha256, firmware_sha256, config, boot_version, boot_checksum,
                           eeprom_checksum, firmware_checksum, duration_s, manifest_sha256, manifest_key, fault_kind,
                           record)
SELECT $1::uuid, (r->>'time')::timestamptz, r->>'host', r->>'user', r->>'unit', r->>'port', r->>'device',
       r->>'config_file',
       CASE r->'outcome'->>'stage' WHEN 'success' THEN 'success' WHEN 'cancelled' THEN 'cancelled' ELSE 'failed' END,
       r->'outcome'->>'stage',
       r->'images'->'boot'->>'sha256', r->'images'->'eeprom'->>'sha256', r->'images'->'firmware'->>'sha256',
       r->>'config', r->>'boot_version', r->>'boot_checksum', r->>'eeprom_checksum', r->>'firmware_checksum',
       (r->>'duration_s')::numeric, r->'manifest'->>'sha256', r->'manifest'->>'signed_by',
       r->'outcome'->'fault'->>'kind', r
FROM (SELECT $2::jsonb AS r) AS sent
ON CONFLICT (id) DO NOTHING)";

// Held by --init-database for its session: two benches migrating at once
// take turns, and the second finds nothing left to do.
constexpr const char* kLockSchema = "SELECT pg_advisory_lock(7600215)";

// Two statements: the second names a table the first tells whether there is.
constexpr const char* kSchemaTableExists = "SELECT to_regclass('zorvane_schema') IS NOT NULL";
constexpr const char* kSchemaVersion = "SELECT coalesce(max(version), 0) FROM zorvane_schema";

// A bench may add records and read them, never change nor remove one; a
// reader (the line's reports) only reads. Group roles, so that a bench's or
// a supervisor's own log-in is made a member and keeps its own password.
constexpr const char* kCreateRoles = R"(
DO $$ BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zorvane_bench') THEN CREATE ROLE zorvane_bench NOLOGIN; END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zorvane_read') THEN CREATE ROLE zorvane_read NOLOGIN; END IF;
END $$;)";
// Given again after every migration, so that a new table is covered too.
constexpr const char* kGrantRoles = R"(
DO $$ BEGIN
  IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'zorvane_bench') THEN
    REVOKE ALL ON flash_records, zorvane_schema FROM zorvane_bench;
    GRANT USAGE ON SCHEMA public TO zorvane_bench;
    GRANT INSERT, SELECT ON flash_records TO zorvane_bench;
    GRANT SELECT ON zorvane_schema TO zorvane_bench;
  END IF;
  IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'zorvane_read') THEN
    REVOKE ALL ON flash_records, zorvane_schema FROM zorvane_read;
    GRANT USAGE ON SCHEMA public TO zorvane_read;
    GRANT SELECT ON flash_records, zorvane_schema TO zorvane_read;
  END IF;
END $$;)";

constexpr const char* kServerTime = "SELECT extract(epoch FROM clock_timestamp())::numeric(20, 3)";

// libpq's messages run over several lines; a bench shows them on one.
std::string oneLine(const char* message)
{
    std::string text;
    for (const char* c = message; *c != '\0'; ++c) {
        const bool space = *c == '\n' || *c == '\t' || *c == ' ';
        if (!space)
            text += *c;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string waitProblem(os::SocketReady ready)
{
    switch (ready) {
    case os::SocketReady::TimedOut: return "no answer in time";
    case os::SocketReady::Woken: return "stopped";
    default: return "the connection failed";
    }
}

} // namespace

struct RecordsDatabase::Connection {
    explicit Connection(PGconn* c) : conn(c) {}
    ~Connection() { PQfinish(conn); }
    PGconn* conn;
};

struct RecordsDatabase::Reply {
    std::optional<std::string> error;
    std::string sqlState{};   // of the error, when the server gave one
    std::vector<std::string> firstColumn{};
};

std::optional<std::string> RefusedDatabaseUrl(const std::string& url)
{
    constexpr const char* kPasswordRefused =
        "the records database URL holds a password: leave it out, and put it in ~/.pgpass "
        "(host:port:database:user:password, mode 0600) or PGPASSWORD";
    if (url.rfind("postgresql://", 0) != 0 && url.rfind("postgres://", 0) != 0)
        return "the records database is given as a postgresql:// URL, such as postgresql://bench@dbhost/line";
    // user:password@ in the authority, looked for before libpq, whose
    // complaints about a malformed URL quote it.
    const std::string authority = url.substr(url.find("//") + 2, url.find_first_of("/?", url.find("//") + 2) -
                                                                     (url.find("//") + 2));
    if (const auto at = authority.rfind('@'); at != std::string::npos && authority.substr(0, at).find(':') != std::string::npos)
        return kPasswordRefused;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(url.c_str(), &error);
    if (options == nullptr) {
        PQfreemem(error);
        return "the records database URL cannot be read: check its form (postgresql://user@host:port/database) "
               "and its %-escapes";
    }
    bool password = false;
    for (PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        const std::string keyword = option->keyword;
        password = password || ((keyword == "password" || keyword == "sslpassword") && option->val != nullptr);
    }
    PQconninfoFree(options);
    if (password)
        return kPasswordRefused;
    return std::nullopt;
}

namespace {

// The URL's settings by keyword (those it sets); empty when it cannot be read.
std::map<std::string, std::string> urlSettings(const std::string& url)
{
    std::map<std::string, std::string> settings;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(url.c_str(), &error);
    PQfreemem(error);
    if (options == nullptr)
        return settings;
    for (PQconninfoOption* option = options; option->keyword != nullptr; ++option)
        if (option->val != nullptr && *option->val != '\0')
            settings[option->keyword] = option->val;
    PQconninfoFree(options);
    return settings;
}

// A socket folder (or abstract socket), or a loopback name or address.
bool onThisMachine(const std::string& host)
{
    return host.empty() || host.front() == '/' || host.front() == '@' || host == "localhost" || host == "127.0.0.1" ||
           host == "::1";
}

std::string settingOr(const std::map<std::string, std::string>& settings, const std::string& key, const char* env)
{
    if (const auto found = settings.find(key); found != settings.end())
        return found->second;
    const char* value = std::getenv(env);
    return value != nullptr ? value : "";
}

} // namespace

DatabasePlace PlaceOf(const std::string& url)
{
    const std::map<std::string, std::string> settings = urlSettings(url);
    std::map<std::string, std::string> defaults;
    if (PQconninfoOption* options = PQconndefaults(); options != nullptr) {
        for (PQconninfoOption* option = options; option->keyword != nullptr; ++option)
            if (option->val != nullptr)
                defaults[option->keyword] = option->val;
        PQconninfoFree(options);
    }
    const auto value = [&](const char* key, const std::string& otherwise) {
        if (const auto found = settings.find(key); found != settings.end())
            return found->second;
        const auto fallback = defaults.find(key);
        return fallback != defaults.end() && !fallback->second.empty() ? fallback->second : otherwise;
    };
    const std::string user = value("user", "");
    return {value("host", value("hostaddr", "localhost")), value("port", "5432"), value("dbname", user)};
}

PasswordProtection ProtectionFor(const std::string& url)
{
    const std::map<std::string, std::string> settings = urlSettings(url);
    if (settings.contains("channel_binding"))
        return PasswordProtection::AsTheUrlSays;
    if (const auto mode = settings.find("sslmode"); mode != settings.end() && mode->second == "verify-full")
        return PasswordProtection::VerifiedServer;
    // libpq tries each host of a list in turn: every one must be here.
    std::string hosts = settingOr(settings, "host", "PGHOST");
    if (hosts.empty())
        hosts = settingOr(settings, "hostaddr", "PGHOSTADDR");
    for (std::size_t at = 0;;) {
        const std::size_t comma = hosts.find(',', at);
        if (!onThisMachine(hosts.substr(at, comma - at)))
            return PasswordProtection::ChannelBinding;
        if (comma == std::string::npos)
            return PasswordProtection::ThisMachine;
        at = comma + 1;
    }
}

std::string ProtectionText(PasswordProtection protection, const std::string& url)
{
    switch (protection) {
    case PasswordProtection::ThisMachine: return "a connection on this machine";
    case PasswordProtection::ChannelBinding:
        return "channel binding required (channel_binding=require): only a server that proves it knows the "
               "password gets it";
    case PasswordProtection::VerifiedServer:
        return "the server's certificate is verified (sslmode=verify-full)";
    case PasswordProtection::AsTheUrlSays:
        return "channel_binding=" + urlSettings(url)["channel_binding"] + ", as the URL sets";
    }
    return {};
}

namespace {

// A server that answered but would not take the password is not
// unreachable: the bench's ~/.pgpass, not the network, wants mending.
std::string connectFailure(PGconn* conn)
{
    const std::string message = oneLine(PQerrorMessage(conn));
    if (PQconnectionNeedsPassword(conn) != 0)
        return "no password: the server asks for one; put it in ~/.pgpass (host:port:database:user:password, "
               "mode 0600) or PGPASSWORD: " + message;
    if (PQconnectionUsedPassword(conn) != 0 && message.find("password authentication failed") != std::string::npos)
        return "the password was refused: " + message;
    return "not reachable: " + message;
}

} // namespace

std::variant<std::unique_ptr<RecordsDatabase>, std::string> RecordsDatabase::Connect(const std::string& url,
                                                                                       os::SocketWaiter& waiter)
{
    // The URL's own settings win over the name, which comes first; the
    // records are UTF-8 whatever the database's own encoding. Across a
    // network, a host that poses as the server and asks for the password in
    // clear must get nothing: the server has to prove it knows it.
    std::vector<const char*> keys{"application_name"};
    std::vector<const char*> values{"zorvane"};
    if (ProtectionFor(url) == PasswordProtection::ChannelBinding) {
        keys.push_back("channel_binding");
        values.push_back("require");
    }
    keys.insert(keys.end(), {"dbname", "client_encoding", nullptr});
    values.insert(values.end(), {url.c_str(), "UTF8", nullptr});
    auto connection = std::make_unique<Connection>(PQconnectStartParams(keys.data(), values.data(), 1));
    if (connection->conn == nullptr)
        return std::string("not reachable: out of memory");
    const auto deadline = std::chrono::steady_clock::now() + kConnectTime;
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (polling != PGRES_POLLING_OK) {
        if (PQstatus(connection->conn) == CONNECTION_BAD || polling == PGRES_POLLING_FAILED)
            return connectFailure(connection->conn);
        const os::SocketReady ready = waiter.wait(
            PQsocket(connection->conn),
            polling == PGRES_POLLING_READING ? os::SocketDirection::Read : os::SocketDirection::Write, deadline);
        if (ready != os::SocketReady::Ready)
            return "not reachable: cannot connect: " + waitProblem(ready) + " (within " + std::to_string(kConnectTime.count()) +
                   " s)";
        polling = PQconnectPoll(connection->conn);
    }
    if (PQsetnonblocking(connection->conn, 1) != 0)
        return "not reachable: " + oneLine(PQerrorMessage(connection->conn));
    return std::unique_ptr<RecordsDatabase>(new RecordsDatabase(std::move(connection), waiter));
}

RecordsDatabase::RecordsDatabase(std::unique_ptr<Connection> connection, os::SocketWaiter& waiter)
    : connection_(std::move(connection)), waiter_(waiter)
{
}

RecordsDatabase::~RecordsDatabase() = default;

RecordsDatabase::Reply RecordsDatabase::run(const std::string& sql, const std::vector<std::string>& params,
                                            std::chrono::seconds limit)
{
    PGconn* conn = connection_->conn;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<const char*> values;
    for (const std::string& param : params)
        values.push_back(param.c_str());
    const int sent = params.empty() ? PQsendQuery(conn, sql.c_str())
                                    : PQsendQueryParams(conn, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                                        values.data(), nullptr, nullptr, 0);
    if (sent == 0)
        return {oneLine(PQerrorMessage(conn)), {}};
    const auto await = [&](os::SocketDirection direction) -> std::optional<std::string> {
        const os::SocketReady ready = waiter_.wait(PQsocket(conn), direction, deadline);
        return ready == os::SocketReady::Ready ? std::nullopt : std::optional(waitProblem(ready));
    };
    for (int flushed; (flushed = PQflush(conn)) != 0;)
        if (std::optional<std::string> problem = flushed < 0 ? oneLine(PQerrorMessage(conn))
                                                             : await(os::SocketDirection::Write))
            return {problem, {}};
    Reply reply;
    for (;;) {
        while (PQisBusy(conn) != 0) {
            if (std::optional<std::string> problem = await(os::SocketDirection::Read))
                return {problem, {}};
            if (PQconsumeInput(conn) == 0)
                return {oneLine(PQerrorMessage(conn)), {}};
        }
        PGresult* result = PQgetResult(conn);
        if (result == nullptr)
            return reply;
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && !reply.error) {
            reply.error = oneLine(PQresultErrorMessage(result));
            const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
            reply.sqlState = state != nullptr ? state : "";
        }
        for (int row = 0; row < PQntuples(result); ++row)
            reply.firstColumn.emplace_back(PQgetvalue(result, row, 0));
        PQclear(result);
    }
}

std::variant<int, std::string> RecordsDatabase::schemaVersion()
{
    const Reply exists = run(kSchemaTableExists, {});
    if (exists.error)
        return *exists.error;
    if (exists.firstColumn.empty() || exists.firstColumn.front() != "t")
        return 0;
    const Reply reply = run(kSchemaVersion, {});
    if (reply.error)
        return *reply.error;
    if (reply.firstColumn.empty())
        return 0;
    const std::string& text = reply.firstColumn.front();
    int version = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (error != std::errc() || end != text.data() + text.size() || version < 0)
        return "the schema version \"" + text + "\" is not a number from 0 to " +
               std::to_string(std::numeric_limits<int>::max());
    return version;
}

std::optional<std::string> RecordsDatabase::migrate(const Migration& migration)
{
    const std::string sql = "BEGIN;\n" + std::string(migration.sql) +
                            "\nINSERT INTO zorvane_schema (version) VALUES (" + std::to_string(migration.version) +
                            ");\nCOMMIT;";
    if (std::optional<std::string> error = run(sql, {}).error)
        return std::string(migration.name) + ": " + *error;
    return std::nullopt;
}

std::variant<std::vector<std::string>, std::string> RecordsDatabase::reportRows(const std::string& sql,
                                                                                const std::vector<std::string>& params)
{
    // The question runs in a read-only transaction, and the server gives up
    // on it at about the time this side stops waiting for it.
    const std::string timeout = std::to_string(std::chrono::milliseconds(kReportTime).count());
    if (Reply begin = run("BEGIN READ ONLY; SET LOCAL statement_timeout = " + timeout, {}); begin.error)
        return *begin.error;
    Reply reply = run(sql, params, kReportTime);
    const Reply end = run("COMMIT", {});
    if (reply.error || end.error)
        return reply.error ? *reply.error : *end.error;
    return std::move(reply.firstColumn);
}

std::optional<InsertError> RecordsDatabase::insert(const SpooledRecord& record)
{
    const Reply reply = run(kInsertRecord, {record.id, record.line});
    if (!reply.error)
        return std::nullopt;
    // Classes 22 (data exception) and 23 (integrity): this record, not the
    // connection, is what the server will not take, now or later.
    const bool refused = reply.sqlState.rfind("22", 0) == 0 || reply.sqlState.rfind("23", 0) == 0;
    return InsertError{*reply.error, refused};
}

std::optional<std::string> RecordsDatabase::grantRoles(bool create)
{
    if (create)
        if (std::optional<std::string> error = run(kCreateRoles, {}).error)
            return "cannot create the roles " + std::string(kBenchRole) + " and " + kReadRole + ": " + *error;
    if (std::optional<std::string> error = run(kGrantRoles, {}).error)
        return "cannot give the roles " + std::string(kBenchRole) + " and " + kReadRole + " their rights: " + *error;
    return std::nullopt;
}

std::variant<std::chrono::system_clock::time_point, std::string> RecordsDatabase::serverTime()
{
    const Reply reply = run(kServerTime, {});
    if (reply.error)
        return *reply.error;
    double seconds = 0;
    const std::string text = reply.firstColumn.empty() ? std::string() : reply.firstColumn.front();
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size())
        return "the server's time \"" + text + "\" is not a number of seconds";
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::duration<double>(seconds)));
}

std::optional<std::string> RecordsDatabase::lockSchema()
{
    return run(kLockSchema, {}).error;
}

std::optional<std::string> SchemaProblem(int version, const std::string& url)
{
    if (version >= ProgramSchemaVersion())
        return std::nullopt;
    return "the records database " + url + " has schema version " + std::to_string(version) +
           ", this program writes version " + std::to_string(ProgramSchemaVersion()) +
           ": run zorvane-flash --database " + url + " --init-database with the database owner's account";
}

} // namespace zorvane

#include "kit/postgres_cluster.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zorvane::testkit {

namespace {

// Debian keeps the server's programs off PATH, under its major version.
std::filesystem::path serverPrograms()
{
    std::filesystem::path newest;
    int newestVersion = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos ||
            !std::filesystem::exists(entry.path() / "bin" / "initdb"))
            continue;
        if (std::stoi(name) > newestVersion) {
            newestVersion = std::stoi(name);
            newest = entry.path() / "bin";
        }
    }
    return newest;
}

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The socket folder as a URL's host: its slashes escaped.
std::string escapedFolder(const std::string& folder)
{
    std::string text;
    for (char c : folder)
        text += c == '/' ? std::string("%2F") : std::string(1, c);
    return text;
}

} // namespace

PostgresCluster::PostgresCluster() : bin_(serverPrograms())
{
    if (bin_.empty()) {
        log_ = "no PostgreSQL server under /usr/lib/postgresql (scripts/setup installs it)";
        return;
    }
    std::string folder = "/tmp/zorvane-pg-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr)
        return;
    folder_ = folder;
    std::ofstream(folder_ / "password") << kPassword << "\n";
    if (::geteuid() == 0) {
        const passwd* server = ::getpwnam("postgres");
        if (server == nullptr || ::chown(folder.c_str(), server->pw_uid, server->pw_gid) != 0 ||
            ::chown((folder + "/password").c_str(), server->pw_uid, server->pw_gid) != 0)
            return;
    }
    ok_ = runAsServer((bin_ / "initdb").string() + " --no-sync -E UTF8 --locale=C -A scram-sha-256 -U " + kRole +
                      " --pwfile=" + folder + "/password -D " + folder + "/data") &&
          start();
}

PostgresCluster::~PostgresCluster()
{
    if (folder_.empty())
        return;
    stop();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

bool PostgresCluster::runAsServer(const std::string& command)
{
    const std::string output = (folder_ / "command.log").string();
    const std::string line = (::geteuid() == 0 ? "runuser -u postgres -- " : "") + command + " >>" + output + " 2>&1";
    const bool done = std::system(line.c_str()) == 0;
    if (!done)
        log_ += readAll(output) + readAll(folder_ / "server.log");
    return done;
}

bool PostgresCluster::start()
{
    const std::string folder = folder_.string();
    return runAsServer((bin_ / "pg_ctl").string() + " -w -D " + folder + "/data -l " + folder +
                       "/server.log -o \"-k " + folder + " -c listen_addresses='' -c fsync=off\" start");
}

bool PostgresCluster::stop()
{
    return runAsServer((bin_ / "pg_ctl").string() + " -w -m fast -D " + folder_.string() + "/data stop");
}

std::string PostgresCluster::url(const std::string& database) const
{
    return std::string("postgresql://") + kRole + "@" + escapedFolder(folder_.string()) + "/" + database;
}

void PostgresCluster::createDatabase(const std::string& database)
{
    column("postgres", "CREATE DATABASE " + database);
}

std::vector<std::string> PostgresCluster::column(const std::string& database, const std::string& sql)
{
    const std::string target = url(database);
    const char* const keys[] = {"dbname", "password", nullptr};
    const char* const values[] = {target.c_str(), kPassword, nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    std::vector<std::string> rows;
    if (PQstatus(conn) != CONNECTION_OK) {
        ADD_FAILURE() << "cannot connect to " << target << ": " << PQerrorMessage(conn);
    } else {
        PGresult* result = PQexec(conn, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
            ADD_FAILURE() << sql << ": " << PQresultErrorMessage(result);
        for (int row = 0; row < PQntuples(result); ++row)
            rows.emplace_back(PQgetvalue(result, row, 0));
        PQclear(result);
    }
    PQfinish(conn);
    return rows;
}

} // namespace zorvane::testkit

// A throwaway PostgreSQL server for tests: a cluster of its own in a
// temporary folder, reached on a Unix socket there, whose one role needs a
// password (so that tests see where passwords go). Started as the postgres
// user when the tests run as root, since the server refuses root.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zorvane::testkit {

class PostgresCluster {
public:
    static constexpr const char* kRole = "bench";
    static constexpr const char* kPassword = "Qx7-never-shown-4kP";

    PostgresCluster();    // initdb and start; ok() says whether it worked
    ~PostgresCluster();   // stop and remove
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    bool ok() const { return ok_; }
    const std::string& log() const { return log_; }

    // postgresql://bench@%2Ftmp%2F...:5432/NAME, without the password.
    std::string url(const std::string& database) const;
    void createDatabase(const std::string& database);
    bool stop();
    bool start();
    // The first column of every row of a query; an error fails the test.
    std::vector<std::string> column(const std::string& database, const std::string& sql);

private:
    bool runAsServer(const std::string& command);

    std::filesystem::path folder_;
    std::filesystem::path bin_;
    bool ok_ = false;
    std::string log_;
};

} // namespace zorvane::testkit

// The line's records database: real flasher runs against simulated radios,
// and the window, sending their flash records to a throwaway PostgreSQL
// server that may be down when they end.
#include <gtest/gtest.h>

#include <QtCore/QEventLoop>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/production_wiring.h"
#include "qtlink/settings_store.h"
#include "records/record_forwarder.h"
#include "e2e/process.h"
#include "files/text_files.h"
#include "kit/postgres_cluster.h"
#include "kit/temp_dir.h"
#include "os/utc_time.h"
#include "records/flash_record.h"
#include "records/record_line.h"
#include "records/records_database.h"
#include "ui/main_window.h"

namespace zorvane {
namespace {

using namespace std::chrono_literals;
using testkit::PostgresCluster;
using testkit::Process;
using testkit::ProcessResult;

class LineDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.ok()) << server_.log();
        server_.createDatabase("line");
        url_ = server_.url("line");
        // As a bench keeps it: out of the URL, where libpq looks for it.
        ::setenv("PGPASSWORD", PostgresCluster::kPassword, 1);
        Process make({ZORVANE_MAKE_DEMO, dir_.path().string()}, dir_.path().string());
        ASSERT_EQ(make.wait(30s).exitCode, 0);
    }

    ProcessResult flasher(std::vector<std::string> args)
    {
        args.insert(args.begin(), ZORVANE_FLASH);
        Process process(args, dir_.path().string());
        const ProcessResult result = process.wait(60s);
        EXPECT_FALSE(result.timedOut) << result.output;
        EXPECT_EQ(result.output.find(PostgresCluster::kPassword), std::string::npos) << result.output;
        return result;
    }

    // Flashes one simulated radio per unit, sending to the database (none: to none).
    ProcessResult flashRadios(const std::vector<std::string>& units, std::optional<std::string> database = {})
    {
        std::vector<std::optional<Process>> radios(units.size());
        std::vector<std::string> args{"--platform", "tessivar", "--yes", "--quiet", "--record", "records.jsonl"};
        if (const std::string url = database.value_or(url_); !url.empty())
            args.insert(args.end(), {"--database", url});
        for (std::size_t i = 0; i < units.size(); ++i) {
            const std::string link = (dir_.path() / ("tty" + units[i])).string();
            radios[i].emplace(std::vector<std::string>{ZORVANE_RADIOSIM, "--link", link, "--runs", "1"},
                              dir_.path().string());
            EXPECT_EQ(radios[i]->readLine(10s).rfind("/dev/pts/", 0), 0u);
            args.insert(args.end(), {"--port", link});
        }
        for (const std::string& unit : units)
            args.insert(args.end(), {"--unit", unit});
        return flasher(args);
    }

    std::vector<std::string> spoolIds() const
    {
        std::vector<std::string> ids;
        for (const std::string& line : lines("records.jsonl"))
            ids.push_back(RecordIdOf(line).value_or("not a record: " + line));
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    std::vector<std::string> lines(const std::string& name) const
    {
        std::vector<std::string> all;
        const std::string text = files::ReadFileBytes((dir_.path() / name).string());
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            all.push_back(text.substr(at, end - at));
        return all;
    }

    // What the database is owed, beside the records file.
    std::string owedFile() const { return OwedPath("records.jsonl", PlaceOf(url_)); }

    std::vector<std::string> rowIds() { return server_.column("line", "SELECT id FROM flash_records ORDER BY id"); }

    void expectNoPasswordIn(const std::string& name) const
    {
        EXPECT_EQ(files::ReadFileBytes((dir_.path() / name).string()).find(PostgresCluster::kPassword),
                  std::string::npos)
            << name;
    }

    testkit::TempDir dir_;
    PostgresCluster server_;
    std::string url_;
};

TEST_F(LineDatabase, FourRadiosPutFourRowsWhoseIdsAreTheSpools)
{
    const ProcessResult init = flasher({"--database", url_, "--init-database"});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    EXPECT_NE(init.output.find("Applied 001_flash_records.sql"), std::string::npos) << init.output;

    const ProcessResult run = flashRadios({"SN-1", "SN-2", "SN-3", "SN-4"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("waiting"), std::string::npos) << run.output;

    const std::vector<std::string> ids = spoolIds();
    ASSERT_EQ(ids.size(), 4u);
    EXPECT_EQ(rowIds(), ids);
    EXPECT_EQ(server_.column("line", "SELECT string_agg(unit, ',' ORDER BY unit) FROM flash_records "
                                     "WHERE outcome = 'success' AND firmware_sha256 = record->'images'->'firmware'->>'sha256'"),
              std::vector<std::string>{"SN-1,SN-2,SN-3,SN-4"});
    std::vector<std::string> sent;
    for (const std::string& line : lines(owedFile()))
        if (line.rfind("sent ", 0) == 0)
            sent.push_back(line.substr(5));
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, ids);
    expectNoPasswordIn("records.jsonl");
    expectNoPasswordIn(owedFile());

    // The documented queries run on what the benches sent.
    const std::string firmware =
        server_.column("line", "SELECT firmware_sha256 FROM flash_records LIMIT 1").at(0);
    Process psql({"/usr/bin/psql", "-X", "-v", "ON_ERROR_STOP=1", "-v", "firmware=" + firmware, "-d", url_, "-f",
                  ZORVANE_SOURCE_DIR "/docs/records-queries.sql"},
                 dir_.path().string());
    const ProcessResult queries = psql.wait(30s);
    EXPECT_EQ(queries.exitCode, 0) << queries.output;
    EXPECT_NE(queries.output.find("(4 rows)"), std::string::npos) << "the units with that firmware\n" << queries.output;
}

TEST_F(LineDatabase, ServerDownDuringARunEveryRecordArrivesOnceAfterwards)
{
    ASSERT_EQ(flasher({"--database", url_, "--init-database"}).exitCode, 0);
    ASSERT_TRUE(server_.stop()) << server_.log();

    const ProcessResult run = flashRadios({"SN-1", "SN-2"});
    EXPECT_EQ(run.exitCode, 0) << "the records are safe on disk\n" << run.output;
    EXPECT_NE(run.output.find("warning: 2 flash records waiting for " + url_), std::string::npos) << run.output;
    const ProcessResult down = flasher({"--database", url_, "--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(down.exitCode, 12) << down.output;
    EXPECT_NE(down.output.find("Waiting: 2\nSet aside: 0 "), std::string::npos) << down.output;
    EXPECT_NE(down.output.find("\nLast sent: none\n"), std::string::npos) << down.output;
    EXPECT_EQ(flasher({"--database", url_, "--forward-records", "--record", "records.jsonl"}).exitCode, 12);

    // A record from before ids is sent too, under an id its line gives it;
    // a failed run's fault kind gets a column of its own.
    // A day old: records a month old that no database is owed leave the live file.
    const auto dayAgo = std::chrono::system_clock::now() - std::chrono::hours(24);
    std::system(("echo '{\"time\":\"" + os::UtcText(dayAgo) +
                 "\",\"host\":\"old-bench\",\"outcome\":{\"stage\":\"boot\"}}' >> " +
                 (dir_.path() / "records.jsonl").string())
                    .c_str());
    std::ofstream(dir_.path() / "records.jsonl", std::ios::app)
        << R"({"schema":3,"id":"00000000-0000-4000-8000-0000000000cc","time":")"
        << os::UtcText(dayAgo + std::chrono::minutes(1)) << R"(",)"
        << R"("outcome":{"stage":"flash","fault":{"kind":"block-sum","address":"8100"}}})" << "\n";
    ASSERT_TRUE(server_.start()) << server_.log();
    const ProcessResult owed = flasher({"--database", url_, "--forward-records", "--record", "records.jsonl"});
    EXPECT_EQ(owed.exitCode, 0) << owed.output;
    EXPECT_NE(owed.output.find("Sent 2 flash records"), std::string::npos) << "only the runs' own\n" << owed.output;
    const ProcessResult forward = flasher(
        {"--database", url_, "--forward-records", "--include-earlier", "--record", "records.jsonl"});
    EXPECT_EQ(forward.exitCode, 0) << forward.output;
    EXPECT_NE(forward.output.find("Sent 2 flash records"), std::string::npos) << forward.output;
    EXPECT_EQ(rowIds(), spoolIds());
    EXPECT_EQ(server_.column("line", "SELECT string_agg(coalesce(fault_kind, '-'), ',' ORDER BY time) FROM flash_records"),
              std::vector<std::string>{"-,block-sum,-,-"});

    const ProcessResult up = flasher({"--database", url_, "--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(up.exitCode, 0) << up.output;
    EXPECT_NE(up.output.find("Waiting: 0\n"), std::string::npos) << up.output;
    EXPECT_NE(up.output.find("\nLast sent: "), std::string::npos) << up.output;
    EXPECT_NE(up.output.find("reachable, schema version 2\nPassword: a connection on this machine\n"),
              std::string::npos)
        << up.output;

    // Sent again from the start (the sent list lost): still one row each.
    std::filesystem::remove(dir_.path() / owedFile());
    EXPECT_EQ(flasher({"--database", url_, "--forward-records", "--include-earlier", "--record", "records.jsonl"})
                  .exitCode,
              0);
    EXPECT_EQ(rowIds(), spoolIds());

    // A record the server will never take is set aside with a warning and
    // holds up none after it; a line cut short ends before the next record.
    const std::string refused = R"({"id":"00000000-0000-4000-8000-0000000000aa","time":"not a time"})";
    std::ofstream(dir_.path() / "records.jsonl", std::ios::app) << refused << "\n{\"cut";
    const ProcessResult more = flashRadios({"SN-3"});
    EXPECT_EQ(more.exitCode, 0) << more.output;
    EXPECT_EQ(server_.column("line", "SELECT count(*) FROM flash_records WHERE unit = 'SN-3'"),
              std::vector<std::string>{"1"});
    // Forwarding that sets a record aside says so in its exit status, once.
    const ProcessResult setAside = flasher(
        {"--database", url_, "--forward-records", "--include-earlier", "--record", "records.jsonl"});
    EXPECT_EQ(setAside.exitCode, 14) << setAside.output;
    EXPECT_NE(setAside.output.find("was refused"), std::string::npos) << setAside.output;
    EXPECT_NE(setAside.output.find("zorvane-flash: 1 flash record refused by the database for good, set aside in " +
                                   owedFile()),
              std::string::npos)
        << setAside.output;
    EXPECT_EQ(flasher({"--database", url_, "--forward-records", "--record", "records.jsonl"}).exitCode, 0);
    const ProcessResult status = flasher({"--database", url_, "--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(status.exitCode, 0) << status.output;
    EXPECT_NE(status.output.find("Waiting: 0\nSet aside: 1 (refused by the database, in " + owedFile() + ")\n"),
              std::string::npos)
        << status.output;
    EXPECT_EQ(status.output.find("clock"), std::string::npos) << "the server's clock is the bench's\n" << status.output;
}

// The line's rules: a bench's log-in adds records and can change none; each
// database gets the records written while it was the one configured, and
// an earlier record only when asked; a refused password is said as such.
TEST_F(LineDatabase, BenchesAddRecordsAndEachDatabaseGetsItsOwn)
{
    ASSERT_EQ(flashRadios({"SN-0"}, "").exitCode, 0);
    const ProcessResult none = flasher({"--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(none.exitCode, 0) << none.output;
    EXPECT_NE(none.output.find("Waiting: 0\nSet aside: 0\nDatabase: none configured"), std::string::npos)
        << none.output;

    const ProcessResult init = flasher({"--database", url_, "--init-database", "--roles"});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    EXPECT_NE(init.output.find("  CREATE ROLE bench7 LOGIN IN ROLE zorvane_bench;\n"), std::string::npos)
        << init.output;
    server_.column("line", "CREATE ROLE bench7 LOGIN PASSWORD 'seven-7' IN ROLE zorvane_bench");
    const std::string bench7 = "postgresql://bench7@" + url_.substr(url_.find('@') + 1);
    ::setenv("PGPASSWORD", "seven-7", 1);
    ASSERT_EQ(flashRadios({"SN-1"}, bench7).exitCode, 0);
    EXPECT_EQ(server_.column("line", "SELECT string_agg(unit, ',') FROM flash_records"),
              std::vector<std::string>{"SN-1"})
        << "SN-0 was written before the database was configured";
    for (const char* change : {"UPDATE flash_records SET unit = 'SN-X'", "DELETE FROM flash_records"}) {
        Process psql({"/usr/bin/psql", "-X", "-v", "ON_ERROR_STOP=1", "-d", bench7, "-c", change},
                     dir_.path().string());
        const ProcessResult refused = psql.wait(30s);
        EXPECT_NE(refused.exitCode, 0) << change;
        EXPECT_NE(refused.output.find("permission denied"), std::string::npos) << refused.output;
    }

    ::setenv("PGPASSWORD", "not-seven", 1);
    const ProcessResult wrong = flasher({"--database", bench7, "--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(wrong.exitCode, 12) << wrong.output;
    EXPECT_NE(wrong.output.find(": the password was refused: "), std::string::npos) << wrong.output;

    // Another database: the first keeps what it is owed, the second gets only its own.
    ::setenv("PGPASSWORD", PostgresCluster::kPassword, 1);
    server_.createDatabase("line2");
    const std::string line2 = server_.url("line2");
    ASSERT_EQ(flasher({"--database", line2, "--init-database"}).exitCode, 0);
    ASSERT_TRUE(server_.stop()) << server_.log();
    ASSERT_EQ(flashRadios({"SN-2"}).exitCode, 0);
    ASSERT_TRUE(server_.start()) << server_.log();
    const ProcessResult waiting = flasher({"--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(waiting.exitCode, 0) << waiting.output;
    EXPECT_NE(waiting.output.find("Waiting: 1 (for " + PlaceOf(url_).url() + ")\n"), std::string::npos)
        << waiting.output;
    ASSERT_EQ(flashRadios({"SN-3"}, line2).exitCode, 0);
    EXPECT_EQ(server_.column("line2", "SELECT string_agg(unit, ',') FROM flash_records"),
              std::vector<std::string>{"SN-3"});
    EXPECT_EQ(flasher({"--database", url_, "--forward-records", "--record", "records.jsonl"}).exitCode, 0);
    EXPECT_EQ(server_.column("line", "SELECT string_agg(unit, ',' ORDER BY unit) FROM flash_records"),
              std::vector<std::string>{"SN-1,SN-2"});
}

// A value from the server that is no version at all is one warning: the
// run and its record are as they would be without a database.
TEST_F(LineDatabase, OutOfRangeSchemaVersionIsOneWarning)
{
    ASSERT_EQ(flasher({"--database", url_, "--init-database"}).exitCode, 0);
    server_.column("line", "ALTER TABLE zorvane_schema ALTER COLUMN version TYPE bigint; "
                           "INSERT INTO zorvane_schema (version) VALUES (3000000000)");
    const std::string fault = "the schema version \"3000000000\" is not a number from 0 to 2147483647";
    const ProcessResult run = flashRadios({"SN-5"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("warning: 1 flash record waiting for " + url_ + ": its schema cannot be read: " + fault),
              std::string::npos)
        << run.output;
    EXPECT_EQ(spoolIds().size(), 1u);
    const ProcessResult status = flasher({"--database", url_, "--records-status", "--record", "records.jsonl"});
    EXPECT_EQ(status.exitCode, 12) << status.output;
    EXPECT_NE(status.output.find("Waiting: 1\n"), std::string::npos) << status.output;
    EXPECT_NE(status.output.find(fault), std::string::npos) << status.output;
}

// The line's report from the database is the records file's, figure for
// figure: the same records, forwarded, counted by the server.
TEST_F(LineDatabase, TheReportFromTheDatabaseIsTheRecordsFiles)
{
    std::ofstream records(dir_.path() / "records.jsonl");
    const char* stages[] = {"success", "success", "flash", "success", "boot", "cancelled"};
    for (int i = 0; i < 150; ++i) {
        const auto time = std::chrono::sys_days(std::chrono::year(2026) / 12 / 6) + std::chrono::minutes(37 * i);
        const bool labelled = i % 7 != 3;
        nlohmann::json record = {{"schema", 3}, {"time", os::UtcText(time)}, {"host", "bench-" + std::to_string(i % 3)},
                                 {"port", "/dev/ttyUSB0"}, {"station", nullptr}, {"duration_s", 40 + (i % 23) * 0.7}};
        // A unit seen again after a failure; one label a CSV must quote.
        record["unit"] = labelled ? nlohmann::json("SN-" + std::to_string(i / 2) + (i == 8 ? ",\"x\"" : ""))
                                  : nlohmann::json(nullptr);
        const std::string stage = stages[i % 6];
        record["outcome"] = {{"stage", stage},
                             {"fault", stage == "success" ? nlohmann::json(nullptr) : nlohmann::json{{"kind", stage + "-kind"}}}};
        record["images"] = {{"firmware", {{"sha256", std::string(64, i % 4 == 0 ? 'a' : 'b')},
                                          {"data_sha256", std::string(64, i % 4 == 0 ? 'c' : 'd')}}}};
        record["manifest"] = i % 5 == 0 ? nlohmann::json(nullptr) : nlohmann::json{{"signed_by", "3AA5"}};
        records << record.dump() << "\n";
    }
    records.close();
    ASSERT_EQ(flasher({"--database", url_, "--init-database"}).exitCode, 0);
    ASSERT_EQ(flasher({"--database", url_, "--forward-records", "--include-earlier", "--record", "records.jsonl"})
                  .exitCode,
              0);
    ASSERT_EQ(server_.column("line", "SELECT count(*) FROM flash_records"), std::vector<std::string>{"150"});
    const auto figures = [](std::string text) { return text.substr(text.find('\n')); };   // all but the heading
    const char* zones[] = {"--utc", std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin") ? "Europe/Berlin" : "--utc"};
    for (const std::string zone : zones) {
        std::vector<std::string> asked{"--report", "-", "--since", "2026-12-07", "--report-csv", "units.csv"};
        if (zone == "--utc")
            asked.push_back(zone);
        else
            ::setenv("TZ", zone.c_str(), 1);
        std::vector<std::string> fromFile = asked, fromDatabase = asked;
        fromFile.insert(fromFile.end(), {"--record", "records.jsonl"});
        fromDatabase.insert(fromDatabase.end(), {"--database", url_});
        const ProcessResult file = flasher(fromFile);
        const std::string fileCsv = files::ReadFileBytes((dir_.path() / "units.csv").string());
        const ProcessResult database = flasher(fromDatabase);
        ::unsetenv("TZ");
        ASSERT_EQ(file.exitCode, 0) << file.output;
        ASSERT_EQ(database.exitCode, 0) << database.output;
        EXPECT_EQ(figures(database.output), figures(file.output)) << zone;
        EXPECT_NE(file.output.find("Per day and bench"), std::string::npos) << file.output;
        EXPECT_EQ(files::ReadFileBytes((dir_.path() / "units.csv").string()), fileCsv) << zone;
    }
}

TEST_F(LineDatabase, OlderSchemaKeepsTheRecordsPending)
{
    const ProcessResult run = flashRadios({"SN-9"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const ProcessResult forward = flasher({"--database", url_, "--forward-records", "--record", "records.jsonl"});
    EXPECT_EQ(forward.exitCode, 12);
    EXPECT_NE(forward.output.find("has schema version 0, this program writes version 2: run zorvane-flash --database " +
                                  url_ + " --init-database"),
              std::string::npos)
        << forward.output;
    EXPECT_TRUE(server_.column("line", "SELECT to_regclass('flash_records')::text").at(0).empty())
        << "runs and forwarding never migrate";

    ASSERT_EQ(flasher({"--database", url_, "--init-database"}).exitCode, 0);
    EXPECT_EQ(flasher({"--database", url_, "--forward-records", "--record", "records.jsonl"}).exitCode, 0);
    EXPECT_EQ(rowIds(), spoolIds());
}

TEST_F(LineDatabase, APasswordInTheUrlIsRefusedWithoutBeingRepeated)
{
    const std::string withPassword =
        "postgresql://bench:" + std::string(PostgresCluster::kPassword) + "@" + url_.substr(url_.find('@') + 1);
    const std::string inQuery = url_ + "?password=" + PostgresCluster::kPassword;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--database", withPassword, "--forward-records"},
             {"--database", inQuery, "--records-status"},
             {"--database=" + withPassword, "--forward-records"},
             {"--database", url_ + "?sslpassword=" + PostgresCluster::kPassword, "--records-status"},
             {"--database", withPassword, "--platform", "tessivar", "--port", "/dev/null", "--yes"}}) {
        const ProcessResult refused = flasher(args);
        EXPECT_EQ(refused.exitCode, 2) << args[1];
        if (args[0] == "--database") {
            EXPECT_NE(refused.output.find("~/.pgpass"), std::string::npos) << refused.output;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "records.jsonl")) << "nothing ran";
}

// A bench is warned of a clock more than two minutes off the database's,
// either way, and told by how much.
TEST(ClockCheck, MoreThanTwoMinutesEitherWayIsTold)
{
    using namespace std::chrono;
    const system_clock::time_point asked = sys_days(2026y / 12 / 8) + 9h;
    // The server's clock against the middle of the round trip, which is
    // when it is taken to have answered.
    const struct Case {
        system_clock::duration ahead, roundTrip;
        std::optional<seconds> off;
    } cases[] = {
        {2min, 0s, std::nullopt},
        {-2min, 3s, std::nullopt},
        {2min + 1s, 0s, 2min + 1s},
        {-(2min + 1s), 4s, -(2min + 1s)},
        {-(3h + 12min), 200ms, -(3h + 12min)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClockOff(asked + c.roundTrip / 2 + c.ahead, asked, asked + c.roundTrip), c.off)
            << duration_cast<milliseconds>(c.ahead).count();
    EXPECT_EQ(ClockOffText(3min + 12s, "postgresql://dbhost/line"),
              "this bench's clock is 3 min 12 s behind the records database's (postgresql://dbhost/line): the "
              "records' times and the check of release signatures' dates depend on it; set the clock right");
    EXPECT_NE(ClockOffText(-(26h + 5min), "u").find("is 26 h 5 min ahead of"), std::string::npos);
}

// Across a network the password goes only to a server that proves it knows
// it, unless the URL chose otherwise; on this machine nothing is added.
TEST(PasswordProtection, RequiredOffThisMachineUnlessTheUrlChooses)
{
    ::unsetenv("PGHOST");
    ::unsetenv("PGHOSTADDR");
    using P = PasswordProtection;
    for (const auto& [url, expected] : std::vector<std::pair<std::string, P>>{
             {"postgresql://bench@/line", P::ThisMachine},
             {"postgresql://bench@%2Fvar%2Frun%2Fpostgresql/line", P::ThisMachine},
             {"postgresql://bench@localhost:5433/line", P::ThisMachine},
             {"postgresql://bench@127.0.0.1,[::1]/line", P::ThisMachine},
             {"postgresql://bench@dbhost/line", P::ChannelBinding},
             {"postgresql://bench@localhost,dbhost/line", P::ChannelBinding},
             {"postgresql://bench@127.0.0.2/line?sslmode=require", P::ChannelBinding},
             {"postgresql://bench@/line?host=10.0.0.5", P::ChannelBinding},
             {"postgresql://bench@dbhost/line?sslmode=verify-full", P::VerifiedServer},
             {"postgresql://bench@dbhost/line?channel_binding=prefer", P::AsTheUrlSays},
         })
        EXPECT_EQ(ProtectionFor(url), expected) << url;
    EXPECT_EQ(ProtectionText(P::AsTheUrlSays, "postgresql://bench@dbhost/line?channel_binding=disable"),
              "channel_binding=disable, as the URL sets");
    ::setenv("PGHOST", "dbhost", 1);
    EXPECT_EQ(ProtectionFor("postgresql://bench@/line"), P::ChannelBinding) << "libpq takes the host from PGHOST";
    ::unsetenv("PGHOST");
}

// A sender stuck where nothing can wake it (here reading a spool that is a
// pipe nobody writes) is let go within the forwarder's end, and the round it
// finishes later reaches nobody: what asked for it is gone by then.
TEST(RecordForwarder, ASenderThatCannotFinishIsLetGoAndTellsNobody)
{
    testkit::TempDir dir;
    const std::string spool = (dir.path() / "records.jsonl").string();
    ASSERT_EQ(::mkfifo(spool.c_str(), 0600), 0);
    struct Asker {
        std::atomic<bool> gone{false};
        std::atomic<bool> toldAfterGone{false};
    };
    const auto asker = std::make_shared<Asker>();
    const auto ending = std::chrono::steady_clock::now();
    {
        RecordForwarder forwarder(spool, "postgresql://bench@/line");
        forwarder.forward([asker](const ForwardResult&) { asker->toldAfterGone = asker->gone.load(); });
        std::this_thread::sleep_for(50ms);   // the round is under way, stuck in the spool's open
    }
    EXPECT_LT(std::chrono::steady_clock::now() - ending, 5s) << "the end does not wait for a stuck sender";
    asker->gone = true;
    // A writer that comes and goes ends the sender's read: it finds nothing to send.
    const int writer = ::open(spool.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ::close(writer);
    for (const auto end = std::chrono::steady_clock::now() + 2s;
         !asker->toldAfterGone && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(asker->toldAfterGone);
}

TEST_F(LineDatabase, TheWindowSendsItsRecordsToo)
{
    ASSERT_EQ(flasher({"--database", url_, "--init-database"}).exitCode, 0);
    const std::string link = (dir_.path() / "ttyRADIO").string();
    Process simulator({ZORVANE_RADIOSIM, "--link", link, "--runs", "1"}, dir_.path().string());
    ASSERT_EQ(simulator.readLine(10s).rfind("/dev/pts/", 0), 0u);
    QSettings settings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE"));
    settings.setValue("Ports/Comm2", QString::fromStdString(link));
    settings.setValue("Records/Database", QString::fromStdString(url_));
    settings.sync();

    std::string recordLine;
    {
        ui::frmMain window(app::ProductionDependencies(link::ReadSettings()));
        window.setBoxResponder([](const ui::BoxRequest&) { return ui::BoxButton::Ok; });
        window.show();
        window.findChild<QAction*>(QStringLiteral("mnuCommComm2"))->trigger();
        window.findChild<QRadioButton*>(QStringLiteral("optTessivar"))->click();
        QEventLoop loop;
        QObject::connect(&window, &ui::frmMain::runFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60s, &loop, &QEventLoop::quit);
        window.findChild<QPushButton*>(QStringLiteral("cmdBeginFlash"))->click();
        loop.exec();
        ASSERT_TRUE(window.lastReport() && window.lastReport()->outcome == RunOutcome::Success);
        window.close();   // waits for the sending, at most a moment
    }
    const std::string text = files::ReadFileBytes(DefaultFlashRecordPath());
    ASSERT_FALSE(text.empty());
    const std::optional<std::string> id = RecordIdOf(text.substr(0, text.find('\n')));
    ASSERT_TRUE(id);
    EXPECT_EQ(rowIds(), std::vector<std::string>{*id});
}

} // namespace
} // namespace zorvane

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "records/flash_record.h"
#include "records/json_line.h"
#include "records/record_id.h"
#include "records/record_line.h"
#include "records/spool.h"
#include "records/spool_archive.h"
#include "files/sha256.h"
#include "files/text_files.h"
#include "kit/temp_dir.h"

namespace zorvane {
namespace {

TEST(Sha256, KnownDigests)
{
    const struct Case {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the first block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(files::Sha256Hex(c.input), c.digest) << c.input.size() << " bytes";
}

TEST(FlashRecord, OneLineWithEveryField)
{
    RunRequest request{link::CommEntry{2}, files::PlatformConfig{"pellamar.cfg", "boot.s19", "main.s19", "", "3F", 0x3F, "c0ffee"}};
    RunReport report;
    report.outcome = RunOutcome::FlashFailed;
    report.bootVersion = "1.A";
    report.bootVersionBytes = std::array<std::uint8_t, 2>{0x01, 0x0A};
    report.bootChecksum = 0x111D;
    report.configValue = 0x3F;
    report.eepromChecksum = ImageChecksum{0x12, 0x05};
    report.firmwareChecksum = ImageChecksum{0x01, 0x25};
    report.message = MakeMessage(MessageId::FlashLineErrors);
    report.cause = "block $8080: no acknowledgement after 3 resends";
    report.fault = BlockFault{0x8080, false, false, 0, 0x33, 3};
    report.counts = {12, 3, 1};
    report.stageTimes = {{RunStage::SmartMode, std::chrono::duration<double>(1.0)},
                         {RunStage::ProgramFlash, std::chrono::duration<double>(12.25)}};
    const RecordOrigin origin{"bench-7", "ann", "1.0.0", "./tty0",
                              {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0", "A50285BI"}, "SN-4711"};
    const std::string json =
        JsonLine(FlashRecord("5f0c6b1e-8d3a-4c2b-9e7f-0a1b2c3d4e5f", request, report, origin,
                             std::chrono::system_clock::time_point(std::chrono::seconds(1800000000))));
    EXPECT_EQ(json.find('\n'), std::string::npos);
    // Checksums are the bytes as they are: $12 $05 and $01 $25 would both show as "$125".
    for (const char* part : {
             R"({"schema":3,"id":"5f0c6b1e-8d3a-4c2b-9e7f-0a1b2c3d4e5f","time":"2027-01-15T08:00:00Z","host":"bench-7","user":"ann","version":"1.0.0","port":"./tty0",)",
             R"("device":"/dev/ttyUSB0","device_by_id":"/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0",)",
             R"("usb_serial":"A50285BI","unit":"SN-4711","station":null,"shift":null,"operator":null,"work_order":null,)",
             R"("config_file":"pellamar.cfg","config_sha256":"c0ffee",)",
             R"("boot":{"file":"boot.s19","size":null,"sha256":null,"data_bytes":null,"data_sha256":null,"blocks":null})",
             R"("eeprom":null,"firmware":{"file":"main.s19",)",
             R"("config":"3F","boot_version":"010A","boot_checksum":"111D","eeprom_checksum":"1205","firmware_checksum":"0125",)",
             R"("outcome":{"stage":"flash","message":"FLASH Failed.  Line Errors occured.\rCheck KRIX, cables and connections.",)",
             R"("cause":"block $8080: no acknowledgement after 3 resends",)",
             R"("fault":{"kind":"block-no-ack","address":"8080","resends":3}},"duration_s":)",
             R"(,"blocks":12,"resends":3,"line_errors":1})"})
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    // The number as a value: the library writes 13.25 where 13.250 was written.
    EXPECT_EQ(nlohmann::json::parse(json).at("duration_s"), 13.25) << json;

    // A shift's run names its station and shift, and is timed from the scan
    // that started it; elsewhere the wait at the reset question still counts.
    report.untilReset = std::chrono::duration<double>(1.0);
    RecordOrigin station = origin;
    station.station = "./tty0";
    station.shift = "2026-12-08T10:52:05Z-4f1a/17";
    station.workOrder = "WO-17";
    station.operatorName = "Ann Smith";
    const auto recorded = [&](const RecordOrigin& from) {
        return nlohmann::json::parse(JsonLine(FlashRecord("5f0c6b1e-8d3a-4c2b-9e7f-0a1b2c3d4e5f", request, report,
                                                          from, std::chrono::system_clock::time_point())));
    };
    const nlohmann::json shift = recorded(station);
    EXPECT_EQ(shift.at("duration_s"), 12.25);
    EXPECT_EQ(shift.at("station"), "./tty0");
    EXPECT_EQ(shift.at("shift"), "2026-12-08T10:52:05Z-4f1a/17");
    EXPECT_EQ(shift.at("operator"), "Ann Smith");
    EXPECT_EQ(shift.at("work_order"), "WO-17");
    EXPECT_EQ(recorded(origin).at("duration_s"), 13.25);
}

// Names from outside (a file name in another encoding, a radio's stray
// bytes) make a valid record that reads back whole, safe on a terminal.
TEST(FlashRecord, NamesAreValidJsonStrings)
{
    const struct Case {
        std::string name;
        const char* json;
        std::string read;   // the name as a reader of the record gets it
    } cases[] = {
        {"plain.cfg", R"("plain.cfg")", "plain.cfg"},
        {"say \"hi\"\\.cfg", R"("say \"hi\"\\.cfg")", "say \"hi\"\\.cfg"},
        {"tab\tline\nbell\a", R"("tab\tline\nbell\u0007")", "tab\tline\nbell\a"},
        {"caf\xC3\xA9.cfg", "\"caf\xC3\xA9.cfg\"", "caf\xC3\xA9.cfg"},
        {"latin1 caf\xE9.cfg", R"("latin1 caf\ufffd.cfg")", "latin1 caf\xEF\xBF\xBD.cfg"},
        // A sequence cut short is one U+FFFD, as Unicode advises.
        {"cut \xE2\x82", R"("cut \ufffd")", "cut \xEF\xBF\xBD"},
        {"surrogate \xED\xA0\x80", R"("surrogate \ufffd\ufffd\ufffd")", "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"del\x7F csi\xC2\x9B[2J", R"("del\u007f csi\u009b[2J")", "del\x7F csi\xC2\x9B[2J"},
    };
    const std::string id = "00000000-0000-4000-8000-000000000001";
    for (const Case& c : cases) {
        const RunRequest request{link::CommEntry{1}, files::PlatformConfig{c.name, "", "", "", "", 0, ""}};
        const std::string json =
            JsonLine(FlashRecord(id, request, RunReport{}, {}, std::chrono::system_clock::time_point{}));
        EXPECT_NE(json.find(std::string("\"config_file\":") + c.json + ","), std::string::npos) << json;
        const std::optional<nlohmann::json> record = RecordObject(json);
        ASSERT_NE(record, std::nullopt) << json;
        EXPECT_EQ(record->at("config_file"), c.read) << json;
        EXPECT_EQ(RecordIdOf(json), id) << json;
    }
}

#ifndef _WIN32
// A record always names somebody: without USER, LOGNAME and USERNAME (a
// service, a cron job) the account's own name.
TEST(FlashRecord, UserComesFromTheAccountWhenTheEnvironmentIsSilent)
{
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"USER", "LOGNAME", "USERNAME"})
        if (const char* value = std::getenv(name)) {
            saved.emplace_back(name, value);
            ::unsetenv(name);
        }
    const std::string user = RecordUser();
    for (const auto& [name, value] : saved)
        ::setenv(name.c_str(), value.c_str(), 1);
    EXPECT_FALSE(user.empty());
}
#endif

// Records from several writers at once stay whole lines: two processes
// (where there is fork) of two threads each.
TEST(FlashRecord, ParallelAppendsNeverInterleave)
{
    testkit::TempDir dir;
    const std::string path = (dir.path() / "records" / "flash-records.jsonl").string();
    constexpr int kWriters = 4;
    constexpr int kRecords = 200;
    const auto writeTwo = [&](int first) {
        std::vector<std::thread> writers;
        for (int w = first; w < first + 2; ++w)
            writers.emplace_back([&, w] {
                const std::string line =
                    "{\"writer\":" + std::to_string(w) + ",\"pad\":\"" + std::string(3000, 'x') + "\"}";
                for (int i = 0; i < kRecords; ++i)
                    if (AppendFlashRecord(path, line))
                        ADD_FAILURE() << "writer " << w;
            });
        for (std::thread& t : writers)
            t.join();
    };
#ifdef _WIN32
    writeTwo(0);
    writeTwo(2);
#else
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        writeTwo(2);
        std::_Exit(0);
    }
    writeTwo(0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
#endif
    std::ifstream in(path);
    std::string line;
    int lines = 0;
    std::vector<int> perWriter(kWriters);
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_EQ(line.size(), std::string(R"({"writer":0,"pad":""})").size() + 3000) << "line " << lines;
        ASSERT_EQ(line.substr(line.size() - 3), "x\"}");
        ++perWriter.at(static_cast<std::size_t>(line[10] - '0'));
    }
    EXPECT_EQ(perWriter, std::vector<int>(kWriters, kRecords));
    EXPECT_EQ(lines, kWriters * kRecords);

    dir.write("plain", "");
    const std::optional<std::string> refused = AppendFlashRecord((dir.path() / "plain" / "r.jsonl").string(), "{}");
    ASSERT_NE(refused, std::nullopt) << "a record that cannot be written says so";
    EXPECT_NE(refused->find("plain"), std::string::npos) << *refused;
}

// What the sender takes from a records file: each record's id, a record
// from before ids under one its line gives it, and no line cut short.
TEST(RecordSpool, IdsOfEveryKindOfLine)
{
    const std::string legacy = R"({"time":"2026-01-05T10:00:00Z","outcome":{"stage":"boot","cause":"a \"}\" in it"}})";
    const struct Case {
        std::string line;
        std::optional<std::string> id;
    } cases[] = {
        {R"({"schema":2,"id":"3f2b8c4e-9d1a-4e7b-a6c5-0d8e1f2a3b4c","images":{"boot":null},"x":[1,2.5e3,true]})",
         "3f2b8c4e-9d1a-4e7b-a6c5-0d8e1f2a3b4c"},
        {legacy, IdFromLine(legacy)},
        {R"({"schema":2,"id":"3f2b8c4e-9d1a-4e7b-a6c5)", std::nullopt},   // cut short
        {R"({"schema":2,"id":"not-a-uuid"})", std::nullopt},
        {R"({"schema":2,"id":null})", std::nullopt},
        {R"({"schema":2,"id":"3f2b8c4e-9d1a-4e7b-a6c5-0d8e1f2a3b4\u0000"})", std::nullopt},
        {legacy + "\r", IdFromLine(legacy + "\r")},   // a copy made on Windows
        {"{\"schema\":1,\"unit\":\"caf\xE9\"}", std::nullopt},   // not UTF-8: no database would take it
        {"{\"a\":" + std::string(1000, '[') + std::string(1000, ']') + "}", std::nullopt},   // damage, not a record
        {R"({"schema":2} trailing)", std::nullopt},
        {"[1,2]", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecordIdOf(c.line), c.id) << c.line;
    EXPECT_EQ(IdFromLine(legacy), IdFromLine(legacy));
    EXPECT_NE(IdFromLine(legacy), IdFromLine(legacy + " "));
    EXPECT_EQ(IdFromLine(legacy)[14], '8') << "a version 8 UUID";
    EXPECT_EQ(NewRecordId()[14], '4');
    EXPECT_NE(NewRecordId(), NewRecordId());
}

// The quick reading of a line takes and refuses what the full parser does,
// and reads the same fields: checked against the whole object for a record
// as written, every cut of it, and each of its bytes replaced by one that
// matters to a JSON reader.
TEST(RecordSpool, QuickReadingAgreesWithTheWholeRecord)
{
    const std::string written =
        R"({"schema":3,"id":"3f2b8c4e-9d1a-4e7b-a6c5-0d8e1f2a3b4c","time":"2026-12-07T17:14:02Z","unit":"SN-4\u00e9",)"
        R"("station":null,"images":{"boot":{"size":2484,"blocks":null},"eeprom":[]},"duration_s":52.538,"x":-0.5e2,)"
        R"("outcome":{"stage":"success","message":"Programming \"Successful!\"","fault":{"kind":"block-sum"}}})";
    std::vector<std::string> lines{written, " " + written + "\t", "{}", R"({"id":1,"time":2,"outcome":"x"})",
                                   R"({"unit":"A","unit":5,"outcome":{"stage":"s"},"outcome":{}})",
                                   "{\"unit\":\"caf\xC3\xA9\",\"time\":\"\xED\xA0\x80\"}", R"({"a":12345678901234567890})",
                                   std::string("{\"ime\":{}}\0junk", 15), std::string("{\"a\":1\0}", 8)};
    // The quick reading leaves \u escapes and exponents to the full parser.
    std::string plain = written;
    plain.replace(plain.find("\\u00e9"), 6, "\xC3\xA9");
    plain.replace(plain.find("-0.5e2"), 6, "-50.5");
    for (const std::string& record : {written, plain}) {
        for (std::size_t cut = 0; cut < record.size(); ++cut)
            lines.push_back(record.substr(0, cut));
        for (std::size_t at = 0; at < record.size(); at += 2)
            for (const char c : std::string("\"\\}],:0u\x01\x80 e-"))
                lines.push_back(record.substr(0, at) + c + record.substr(at + 1));
    }
    const std::regex uuid("[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}");
    for (const std::string& line : lines) {
        const std::optional<RecordFields> read = RecordFieldsOf(line);
        const std::optional<nlohmann::json> whole = RecordObject(line);
        ASSERT_EQ(read.has_value(), whole.has_value()) << line;
        if (!whole)
            continue;
        const auto text = [&](const nlohmann::json& object, const char* name) -> std::optional<std::string> {
            const auto found = object.find(name);
            return found != object.end() && found->is_string() ? std::optional(found->get<std::string>()) : std::nullopt;
        };
        const auto outcome = whole->find("outcome");
        const bool outcomeObject = outcome != whole->end() && outcome->is_object();
        const std::optional<std::string> id = text(*whole, "id");
        EXPECT_EQ(read->id, !whole->contains("id")               ? std::optional(IdFromLine(line))
                            : id && std::regex_match(*id, uuid) ? id
                                                                : std::nullopt)
            << line;
        EXPECT_EQ(read->time, text(*whole, "time").value_or("")) << line;
        EXPECT_EQ(read->unit, text(*whole, "unit")) << line;
        EXPECT_EQ(read->outcome, outcomeObject) << line;
        EXPECT_EQ(read->stage, outcomeObject ? text(*outcome, "stage") : std::nullopt) << line;
    }
}

// What each database is owed: the records written while it was configured,
// in the file's order, less those it holds; an earlier version's one list
// becomes the first database's; changing databases sends nothing to the old.
TEST(RecordSpool, EachDatabaseIsOwedWhatWasWrittenForItAndNothingElse)
{
    testkit::TempDir dir;
    const std::string spool = (dir.path() / "records.jsonl").string();
    const std::string a = R"({"id":"00000000-0000-4000-8000-00000000000a"})";
    const std::string b = R"({"id":"00000000-0000-4000-8000-00000000000b"})";
    const std::string c = R"({"id":"00000000-0000-4000-8000-00000000000c"})";
    const std::string idA = "00000000-0000-4000-8000-00000000000a", idB = "00000000-0000-4000-8000-00000000000b",
                      idC = "00000000-0000-4000-8000-00000000000c";
    dir.write("records.jsonl", a + "\n" + b + "\nnot json\n\n" + a + "\n" + c + "\n" + R"({"id":"half)");
    dir.write("records.jsonl.sent", idB + "\n");   // as an earlier version kept it
    const DatabasePlace line{"/run/postgresql", "5432", "line"}, other{"dbhost", "5433", "line"};
    const Spool read = ReadSpool(spool);
    EXPECT_EQ(read.unreadable, std::vector<std::size_t>{3}) << "the last line is still being written";

    const auto pending = [&](const DatabasePlace& place, bool includeEarlier) {
        std::vector<std::string> lines;
        for (const SpooledRecord& record : PendingRecords(read, ReadOwed(spool, place), includeEarlier))
            lines.push_back(record.line);
        return lines;
    };
    EXPECT_EQ(pending(line, false), (std::vector<std::string>{a, c})) << "the earlier list is the first database's";
    EXPECT_EQ(pending(other, false), std::vector<std::string>{}) << "a database configured later is owed nothing";
    EXPECT_EQ(pending(other, true), (std::vector<std::string>{a, b, c})) << "a line copied twice is one record";
    ASSERT_EQ(MarkOwed(spool, other, OwedMark::Due, {idC}), std::nullopt);
    ASSERT_EQ(MarkOwed(spool, line, OwedMark::Sent, {idA}), std::nullopt);
    ASSERT_EQ(MarkOwed(spool, line, OwedMark::Refused, {idC}), std::nullopt);
    EXPECT_EQ(pending(line, false), std::vector<std::string>{});
    EXPECT_EQ(pending(other, false), std::vector<std::string>{c});
    EXPECT_EQ(ReadOwed(spool, line).lastSent, idA);

    const std::vector<OwedDatabase> databases = OwedDatabases(spool);
    ASSERT_EQ(databases.size(), 2u);
    EXPECT_EQ(databases[0].url, "postgresql://%2Frun%2Fpostgresql:5432/line");
    EXPECT_EQ(databases[1].url, "postgresql://dbhost:5433/line");
    EXPECT_EQ(OwedPath(spool, other), spool + ".line@dbhost-5433.sent");
    EXPECT_EQ(ReadSpool((dir.path() / "none.jsonl").string()).records.size(), 0u);
    EXPECT_EQ(ReadSpool((dir.path() / "none.jsonl").string()).error, std::nullopt) << "no records yet";
}

// A month's records every database holds move to monthly archives, synced
// before the live file loses them; what a database still waits for, what is
// not a record, a line being written and the young records stay; the sidecar
// forgets only what moved; and nothing moves until the slack has passed.
TEST(RecordSpool, SettledMonthOldRecordsMoveToTheirMonthsArchive)
{
    testkit::TempDir dir;
    const std::string spool = (dir.path() / "records.jsonl").string();
    const auto record = [](char id, const char* time) {
        return std::string(R"({"schema":3,"id":"00000000-0000-4000-8000-00000000000)") + id + R"(","time":")" +
               time + R"("})";
    };
    const auto id = [](char c) { return std::string("00000000-0000-4000-8000-00000000000") + c; };
    const std::string october = record('1', "2026-10-09T08:00:00Z"), sent = record('2', "2026-10-24T08:00:00Z"),
                      owed = record('3', "2026-10-24T09:00:00Z"), refused = record('4', "2026-11-01T08:00:00Z"),
                      young = record('5', "2026-11-28T08:00:00Z");
    dir.write("records.jsonl",
              october + "\n" + sent + "\n" + owed + "\nnot a record\n" + refused + "\n" + young + "\n" + R"({"id":"cut)");
    const DatabasePlace line{"dbhost", "5432", "line"};
    ASSERT_EQ(MarkOwed(spool, line, OwedMark::Due, {id('2'), id('3'), id('4'), id('5')}), std::nullopt);
    ASSERT_EQ(MarkOwed(spool, line, OwedMark::Sent, {id('2')}), std::nullopt);
    ASSERT_EQ(MarkOwed(spool, line, OwedMark::Refused, {id('4')}), std::nullopt);
    using namespace std::chrono;
    const auto at = [](year_month_day day, hours hour) { return sys_days(day) + hour; };

    const ArchiveResult early = ArchiveSettledRecords(spool, at(2026y / 11 / 9, 6h));
    EXPECT_EQ(early.moved, 0u) << "30 days and 22 hours old: within the slack";
    const ArchiveResult done = ArchiveSettledRecords(spool, at(2026y / 12 / 8, 12h));
    ASSERT_EQ(done.error, std::nullopt);
    EXPECT_EQ(done.moved, 3u);
    EXPECT_EQ(files::ReadFileBytes(spool), owed + "\nnot a record\n" + young + "\n" + R"({"id":"cut)");
    EXPECT_EQ(files::ReadFileBytes((dir.path() / "records.2026-10.jsonl").string()), october + "\n" + sent + "\n");
    EXPECT_EQ(files::ReadFileBytes((dir.path() / "records.2026-11.jsonl").string()), refused + "\n");
    const Owed left = ReadOwed(spool, line);
    EXPECT_EQ(left.due, (std::set<std::string>{id('3'), id('5')}));
    EXPECT_TRUE(left.sent.empty() && left.refused.empty());
    EXPECT_EQ(ArchiveSettledRecords(spool, at(2026y / 12 / 8, 12h)).moved, 0u) << "the owed one stays";
    EXPECT_EQ(ArchivePath("/var/r", "2026-11"), "/var/r.2026-11.jsonl");
}

} // namespace
} // namespace zorvane

// The flasher and the records database: the commands that send or inspect
// the pending flash records, and the sending behind a run.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "prepare/settings.h"
#include "records/record_forwarder.h"

namespace zorvane::cli {

// The records command the options ask for, with the database chosen (empty:
// none, a usage error); the exit status.
int RecordsCommand(const CliOptions& options, const prepare::Settings& settings, const std::string& url);

// --forward-records: 0 when nothing is left to send, else 12.
int ForwardRecordsCommand(std::FILE* out, const std::string& spool, const std::string& url, bool includeEarlier);
// --records-status: 0, or 12 when the database cannot take records. Without
// a database (url empty): what waits for any, and 0.
int RecordsStatusCommand(std::FILE* out, const std::string& spool, const std::string& url,
                         const std::string& settingsFile);
// --init-database: 0 once the schema is the program's (and with roles, the
// bench's and the reader's group roles exist), else 12.
int InitDatabaseCommand(std::FILE* out, const std::string& url, bool roles);

// Moves the records a month old that every database holds to the monthly
// archives; what goes wrong is a warning.
void ArchiveOldRecords(const std::string& spool);

// How long the flasher waits for its records to be sent before it exits,
// leaving the rest pending for the next start.
constexpr std::chrono::seconds kExitSendTime{5};

// What the rounds behind a run found, kept from the sender's thread.
class ForwardLog : public std::enable_shared_from_this<ForwardLog> {
public:
    RecordForwarder::Done keeper();
    std::vector<ForwardResult> rounds();

private:
    std::mutex mutex_;
    std::vector<ForwardResult> rounds_;
};

// After the runs: sends what is pending, at most kExitSendTime, and warns
// of what every round set aside and, in one line, of what is left.
void FinishForwarding(RecordForwarder& forwarder, ForwardLog& log);

} // namespace zorvane::cli

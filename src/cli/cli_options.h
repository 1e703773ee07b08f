// zorvane-flash's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zorvane::cli {

enum class LineErrorAnswer { Ask, Continue, Cancel };

struct CliOptions {
    std::vector<std::string> ports;   // each "1", "2" or a device path; one run per port
    std::string platform;             // pellamar, tessivar, other
    std::string configFile;           // or a configuration file of one's own
    bool yes = false;                 // do not wait for Enter at the reset prompt
    std::optional<LineErrorAnswer> onLineError;   // unset: ask with one port, cancel with several
    std::string traceFile;
    std::vector<std::string> units;   // each radio's label, one per port in the same order
    std::string unitPattern;          // --unit-pattern: what a label must match; empty: the settings' pattern
    bool askUnit = false;             // ask for each radio's label before the reset prompt
    bool stations = false;            // each port a station that cycles until the shift ends
    bool noUnits = false;             // a shift's radios have no labels: Enter alone starts one
    std::string recordFile;           // empty: the default flash record file
    bool noRecord = false;
    std::string manifestFile;         // empty: SHA256SUMS in the working folder, when there is one
    std::string keyringFile;          // empty: trusted.gpg beside the settings, else /etc/zorvane's
    bool requireSignature = false;    // refuse an unsigned or missing manifest
    bool allowUnsigned = false;       // an installed keyring takes an unsigned or missing manifest too
    std::vector<std::string> expectFirmware;   // the SHA-256 the firmware may have, lower case; empty: the settings'
    std::optional<std::string> workOrder;      // for every record
    std::optional<std::string> operatorName;   // for every record; none: the settings' operator
    bool json = false;                // events on standard output, people's text on standard error
    bool quiet = false;
    bool check = false;               // read the files as a run would, open no port
    bool listPorts = false;
    std::string database;             // the records database's URL; empty: the settings' one, if any
    bool forwardRecords = false;      // send the pending flash records, then exit
    bool recordsStatus = false;       // tell what is pending and whether the database is reachable
    bool initDatabase = false;        // create or update the records database's schema
    bool roles = false;               // with it: the bench's and the reader's group roles
    bool includeEarlier = false;      // forward the records written while no database was configured too
    std::string report;               // --report: the line's report as a page, or "-": as text on standard output
    std::string reportCsv;            // --report-csv: every unit's last run as CSV
    std::string since;                // the report's first day, YYYY-MM-DD; empty: the first record's
    std::string until;                // its last day; empty: the last record's
    bool utc = false;                 // the report's days and hours in UTC, not the machine's time zone
    bool help = false;
    bool version = false;
    std::vector<std::string> arguments;   // as given, for the command that flashes failed radios again

    // A command about the flash records rather than a run.
    bool recordsCommand() const { return forwardRecords || recordsStatus || initDatabase || roles || includeEarlier; }

    // The line's report, from the records file or the database.
    bool reportCommand() const { return !report.empty() || !reportCsv.empty(); }

    LineErrorAnswer lineErrorAnswer() const
    {
        return onLineError.value_or(ports.size() > 1 || json || stations ? LineErrorAnswer::Cancel
                                                                         : LineErrorAnswer::Ask);
    }
};

// Returns an error text for arguments it cannot use.
std::optional<std::string> ParseCliOptions(const std::vector<std::string>& args, CliOptions& options);

extern const char* const kCliUsage;

} // namespace zorvane::cli

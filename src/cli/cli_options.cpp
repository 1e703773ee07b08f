#include "cli/cli_options.h"

#include "cli/exit_codes.h"
#include "engine/work_order.h"
#include "report/report_time.h"

#include <algorithm>
#include <iterator>

namespace zorvane::cli {

const char* const kCliUsage =
    "usage: zorvane-flash --port DEVICE|1|2 [--port ...] (--platform pellamar|tessivar|other | --config FILE)\n"
    "                     [--yes] [--on-line-error ask|continue|cancel] [--trace FILE] [--quiet]\n"
    "                     [--record FILE | --no-record] [--unit LABEL ... | --ask-unit]\n"
    "                     [--unit-pattern REGEX] [--stations [--no-units]]\n"
    "                     [--manifest FILE] [--keyring FILE] [--require-signature | --allow-unsigned]\n"
    "                     [--expect-firmware SHA256 ...] [--work-order ID] [--operator NAME] [--json]\n"
    "       zorvane-flash --check (--platform NAME | --config FILE) [--manifest FILE] [--keyring FILE]\n"
    "                     [--require-signature | --allow-unsigned] [--expect-firmware SHA256 ...]\n"
    "       zorvane-flash --list-ports\n"
    "       zorvane-flash --forward-records [--include-earlier] | --records-status\n"
    "                     [--database URL] [--record FILE]\n"
    "       zorvane-flash --init-database [--roles] [--database URL]\n"
    "       zorvane-flash --report FILE.html|- [--report-csv FILE] [--since DATE] [--until DATE]\n"
    "                     [--utc] [--record FILE | --database URL]\n"
    "       zorvane-flash --help | --version\n"
    "\n"
    "Runs one flash run per port in the current directory, which holds the\n"
    "configuration file and the boot, firmware and EEPROM images it names.\n"
    "  --port              1 or 2 (Comm1, Comm2) or a serial device such as /dev/ttyUSB0;\n"
    "                      give it once per radio to flash several radios at once\n"
    "  --platform          pellamar, tessivar or other (reads pellamar.cfg, tessivar.cfg or\n"
    "                      default.cfg in the current directory)\n"
    "  --config            another configuration file\n"
    "  --yes               go on at the reset prompt without waiting for Enter\n"
    "  --on-line-error     what to answer a line error (default: ask; cancel without a\n"
    "                      terminal or with several ports, where ask is refused)\n"
    "  --trace FILE        write the line traffic: time, direction, bytes, line speed (one port)\n"
    "  --record FILE       append the flash records here instead of\n"
    "                      $XDG_DATA_HOME/zorvane/flash-records.jsonl\n"
    "  --no-record         keep no flash record\n"
    "  --unit LABEL        the radio's label (serial number) for its flash record; once per\n"
    "                      --port, in the same order\n"
    "  --ask-unit          ask for each radio's label before the reset prompt (a barcode\n"
    "                      scanner types it and presses Enter); needs a terminal; an empty\n"
    "                      line or a label already given asks again\n"
    "  --stations          run a shift: each port is a station that arms, flashes the radio\n"
    "                      whose label is scanned next (after its reset) and arms again,\n"
    "                      until q, Ctrl-C, SIGTERM, SIGHUP or the end of input; @N\n"
    "                      chooses station N; with --json, a line controller's commands\n"
    "  --no-units          with --stations: the radios have no labels, Enter starts one\n"
    "  --unit-pattern REGEX  a label must match REGEX whole, else it is refused (--unit)\n"
    "                      or asked again (--ask-unit); default: UnitPattern in [Bench]\n"
    "  --manifest FILE     program only files this SHA256SUMS lists with their SHA-256\n"
    "                      (default: SHA256SUMS in the working folder, when there is one)\n"
    "  --keyring FILE      trusted release keys for the manifest's signature (SHA256SUMS.gpg\n"
    "                      or .sig); default ~/.config/ZORVANE/trusted.gpg, else\n"
    "                      /etc/zorvane/trusted.gpg\n"
    "  --require-signature refuse a manifest that is not signed, and a missing one (done\n"
    "                      already whenever a keyring of trusted release keys is installed)\n"
    "  --allow-unsigned    with a keyring installed, still program an unsigned manifest's\n"
    "                      files, or any files when there is no manifest (default:\n"
    "                      AllowUnsigned in [Files])\n"
    "  --expect-firmware SHA256  program only a firmware image whose file SHA-256 or data\n"
    "                      SHA-256 is this one; give it once per SHA-256 the order allows\n"
    "                      (default: ExpectFirmware in [Files])\n"
    "  --work-order ID     the work order, for every flash record\n"
    "  --operator NAME     who works the bench, for every flash record (default: Operator\n"
    "                      in [Bench])\n"
    "  --json              one JSON event per line on standard output (what each radio is\n"
    "                      doing), everything else on standard error; needs --yes, except\n"
    "                      with --stations, where JSON commands on standard input start\n"
    "                      the radios\n"
    "  --quiet             only the messages and the results\n"
    "  --check             read the configuration and the images as a run would, without\n"
    "                      opening a port, and tell what a run would send\n"
    "  --list-ports        list the serial ports and what Comm1 and Comm2 mean\n"
    "  --database URL      also send the flash records to this PostgreSQL database, such as\n"
    "                      postgresql://bench@dbhost:5432/line (the password goes in\n"
    "                      ~/.pgpass or PGPASSWORD, never in the URL; to another machine\n"
    "                      only with channel_binding=require unless the URL chooses);\n"
    "                      default: Database in [Records] of ~/.config/ZORVANE/ZORVANE.conf\n"
    "  --forward-records   send the flash records not sent yet, then exit\n"
    "  --include-earlier   with --forward-records: also the records written while this\n"
    "                      database was not configured\n"
    "  --records-status    how many flash records wait or were set aside, the last one\n"
    "                      sent, and whether the database can be reached (without a\n"
    "                      database: what waits for those configured before)\n"
    "  --init-database     create or update the records database's tables, then exit\n"
    "                      (with the database owner's account)\n"
    "  --roles             with --init-database: create the group roles zorvane_bench\n"
    "                      (add and read records) and zorvane_read (read them)\n"
    "  --report FILE.html  write the line's report, one page that needs no network: yield\n"
    "                      and first-pass yield per day and bench, failures by stage and\n"
    "                      fault, run and cycle times, radios per hour, firmware per unit,\n"
    "                      the newest 1,000 units; - prints its figures as text instead\n"
    "  --report-csv FILE   write every unit's last run as CSV (docs/line-report.md)\n"
    "  --since DATE        the report from this day on (YYYY-MM-DD)\n"
    "  --until DATE        the report up to this day, this day included\n"
    "  --utc               the report's days and hours in UTC (default: the machine's time\n"
    "                      zone)\n"
    "\n"
    "Exit status: 0 programming successful, 2 usage, 3 configuration file, 4 serial port,\n"
    "5 boot stage, 6 CONFIG stage, 7 EEPROM stage, 8 FLASH stage, 9 cancelled, 10 other error,\n"
    "11 the flash record could not be kept (with --record, when no radio failed),\n"
    "12 the records database could not be reached (--forward-records, --records-status,\n"
    "--init-database), 13 not released (the release check refused a file, or could not\n"
    "verify the release), 14 --forward-records set aside records the database refused for good.\n"
    "With several ports: 0 only when every radio succeeded, else the highest of the failures.\n";

namespace {

// 1, 2 or a path: a bare word such as "3" or "ttyUSB0" is most likely a mistake.
bool isPortArgument(const std::string& port)
{
    return port == "1" || port == "2" || port.find('/') != std::string::npos;
}

// An argument as an error repeats it: all of a URL after its scheme (where
// a password may hide, in the authority or the query) is left out.
std::string shownArgument(std::string arg)
{
    if (const auto scheme = arg.find("://"); scheme != std::string::npos)
        arg.replace(scheme + 3, std::string::npos, "...");
    return arg;
}

struct Flag {
    const char* name;
    const char* shortName;   // or none
    bool CliOptions::*member;
};

constexpr Flag kFlags[] = {
    {"--help", "-h", &CliOptions::help},
    {"--version", "-V", &CliOptions::version},
    {"--yes", "-y", &CliOptions::yes},
    {"--quiet", "-q", &CliOptions::quiet},
    {"--no-record", nullptr, &CliOptions::noRecord},
    {"--check", nullptr, &CliOptions::check},
    {"--list-ports", nullptr, &CliOptions::listPorts},
    {"--ask-unit", nullptr, &CliOptions::askUnit},
    {"--stations", nullptr, &CliOptions::stations},
    {"--no-units", nullptr, &CliOptions::noUnits},
    {"--json", nullptr, &CliOptions::json},
    {"--require-signature", nullptr, &CliOptions::requireSignature},
    {"--allow-unsigned", nullptr, &CliOptions::allowUnsigned},
    {"--forward-records", nullptr, &CliOptions::forwardRecords},
    {"--records-status", nullptr, &CliOptions::recordsStatus},
    {"--init-database", nullptr, &CliOptions::initDatabase},
    {"--roles", nullptr, &CliOptions::roles},
    {"--include-earlier", nullptr, &CliOptions::includeEarlier},
    {"--utc", nullptr, &CliOptions::utc},
};

using Error = std::optional<std::string>;

struct Valued {
    const char* name;
    Error (*take)(CliOptions& options, const std::string& value);
};

constexpr Valued kValued[] = {
    {"--port",
     [](CliOptions& o, const std::string& v) -> Error {
         if (!isPortArgument(v))
             return "--port takes 1, 2 or a device path such as /dev/ttyUSB0, not " + shownArgument(v);
         o.ports.push_back(v);
         return std::nullopt;
     }},
    {"--platform",
     [](CliOptions& o, const std::string& v) -> Error {
         if (v != "pellamar" && v != "tessivar" && v != "other")
             return "unknown platform: " + shownArgument(v);
         o.platform = v;
         return std::nullopt;
     }},
    {"--on-line-error",
     [](CliOptions& o, const std::string& v) -> Error {
         if (v != "ask" && v != "continue" && v != "cancel")
             return "--on-line-error takes ask, continue or cancel";
         o.onLineError = v == "ask" ? LineErrorAnswer::Ask
                                    : v == "continue" ? LineErrorAnswer::Continue : LineErrorAnswer::Cancel;
         return std::nullopt;
     }},
    {"--config", [](CliOptions& o, const std::string& v) -> Error { return o.configFile = v, std::nullopt; }},
    {"--trace", [](CliOptions& o, const std::string& v) -> Error { return o.traceFile = v, std::nullopt; }},
    {"--record", [](CliOptions& o, const std::string& v) -> Error { return o.recordFile = v, std::nullopt; }},
    {"--unit", [](CliOptions& o, const std::string& v) -> Error { return o.units.push_back(v), std::nullopt; }},
    {"--unit-pattern", [](CliOptions& o, const std::string& v) -> Error { return o.unitPattern = v, std::nullopt; }},
    {"--manifest", [](CliOptions& o, const std::string& v) -> Error { return o.manifestFile = v, std::nullopt; }},
    {"--keyring", [](CliOptions& o, const std::string& v) -> Error { return o.keyringFile = v, std::nullopt; }},
    {"--database", [](CliOptions& o, const std::string& v) -> Error { return o.database = v, std::nullopt; }},
    {"--report", [](CliOptions& o, const std::string& v) -> Error { return o.report = v, std::nullopt; }},
    {"--report-csv", [](CliOptions& o, const std::string& v) -> Error { return o.reportCsv = v, std::nullopt; }},
    {"--since",
     [](CliOptions& o, const std::string& v) -> Error {
         return o.since = v, report::DayStart(v, report::Zone::Utc) ? std::nullopt
                                                                    : Error("--since takes a day, YYYY-MM-DD");
     }},
    {"--until",
     [](CliOptions& o, const std::string& v) -> Error {
         return o.until = v, report::DayStart(v, report::Zone::Utc) ? std::nullopt
                                                                    : Error("--until takes a day, YYYY-MM-DD");
     }},
    {"--expect-firmware",
     [](CliOptions& o, const std::string& v) -> Error {
         const std::optional<std::string> sha256 = Sha256Text(v);
         if (!sha256)
             return "--expect-firmware takes a SHA-256 of 64 hex digits, not " + shownArgument(v);
         o.expectFirmware.push_back(*sha256);
         return std::nullopt;
     }},
    {"--work-order",
     [](CliOptions& o, const std::string& v) -> Error { return o.workOrder = v, OrderFieldProblem("--work-order", v); }},
    {"--operator",
     [](CliOptions& o, const std::string& v) -> Error { return o.operatorName = v, OrderFieldProblem("--operator", v); }},
};

// The records commands stand alone: they take the records file and the database.
Error refusedRecordsCommand(const CliOptions& options)
{
    if (int(options.forwardRecords) + int(options.recordsStatus) + int(options.initDatabase) > 1)
        return "give one of --forward-records, --records-status and --init-database";
    if (!options.ports.empty() || !options.platform.empty() || !options.configFile.empty() || options.check ||
        options.json)
        return "--forward-records, --records-status and --init-database flash nothing: give them without a run's "
               "options";
    if (options.noRecord)
        return "--no-record keeps no records to send";
    if (options.roles && !options.initDatabase)
        return "--roles goes with --init-database";
    if (options.includeEarlier && !options.forwardRecords)
        return "--include-earlier goes with --forward-records";
    return std::nullopt;
}

// The report reads the records and flashes nothing: it stands alone.
Error refusedReportCommand(const CliOptions& options)
{
    if (options.recordsCommand())
        return "--report goes alone, without --forward-records, --records-status or --init-database";
    if (!options.ports.empty() || !options.platform.empty() || !options.configFile.empty() || options.check ||
        options.json)
        return "--report and --report-csv flash nothing: give them without a run's options";
    if (options.noRecord)
        return "--no-record: the report reads the flash records";
    if (!options.database.empty() && !options.recordFile.empty())
        return "give the report either --record or --database";
    if (!options.report.empty() && options.report == options.reportCsv)
        return "--report and --report-csv need two files";
    if (!options.since.empty() && !options.until.empty() && options.until < options.since)
        return "--until " + options.until + " is before --since " + options.since;
    return std::nullopt;
}

// One label names one radio: two records must never carry the same unit.
Error unitGivenTwice(const CliOptions& options)
{
    for (std::size_t i = 0; i < options.units.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (options.units[j] == options.units[i])
                return "--unit " + options.units[i] + " is given for port " + options.ports[j] + " and port " +
                       options.ports[i] + ": a label names one radio";
    return std::nullopt;
}

// A shift takes each radio's label as it is scanned, and answers a line
// error itself: nobody can answer one station's question at a shared terminal.
Error refusedShiftCombination(const CliOptions& options)
{
    if (!options.stations)
        return options.noUnits ? Error("--no-units goes with --stations") : std::nullopt;
    if (!options.units.empty() || options.askUnit)
        return "--stations takes each radio's label as it is scanned, not --unit or --ask-unit";
    if (options.onLineError == LineErrorAnswer::Ask)
        return "--on-line-error ask does not go with --stations: nobody can answer one station at a shared terminal";
    if (!options.traceFile.empty())
        return "--trace does not go with --stations";
    return std::nullopt;
}

// Options that do not go together in a run.
Error refusedRunCombination(const CliOptions& options)
{
    if (options.ports.empty())
        return "--port is required";
    if (Error shift = refusedShiftCombination(options))
        return shift;
    if (options.noRecord && !options.recordFile.empty())
        return "give either --record or --no-record";
    if (options.noRecord && !options.database.empty())
        return "--database sends the flash records: it does not go with --no-record";
    if (options.askUnit && !options.units.empty())
        return "give either --unit or --ask-unit";
    if (options.json && !options.yes && !options.stations)
        return "--json needs --yes: nobody is at a terminal to answer the reset prompt";
    if (options.json && options.askUnit)
        return "--json takes the units with --unit, not --ask-unit";
    if (options.json && options.onLineError == LineErrorAnswer::Ask)
        return "--on-line-error ask needs a terminal, not --json";
    if (options.json && !options.traceFile.empty())
        return "--trace does not go with --json";
    if (!options.units.empty() && options.units.size() != options.ports.size())
        return "--unit is given once per --port, in the same order (" + std::to_string(options.ports.size()) +
               " ports, " + std::to_string(options.units.size()) + " units)";
    if (Error twice = unitGivenTwice(options))
        return twice;
    if (options.ports.size() > 1 && options.onLineError == LineErrorAnswer::Ask)
        return "--on-line-error ask takes one port: nobody can answer several radios at once";
    if (options.ports.size() > 1 && !options.traceFile.empty())
        return "--trace takes one port";
    return std::nullopt;
}

Error refusedCombination(const CliOptions& options)
{
    if (options.listPorts)
        return std::nullopt;
    if (options.reportCommand())
        return refusedReportCommand(options);
    if (!options.since.empty() || !options.until.empty() || options.utc)
        return "--since, --until and --utc go with --report or --report-csv";
    if (options.recordsCommand())
        return refusedRecordsCommand(options);
    if (options.platform.empty() == options.configFile.empty())
        return "give either --platform or --config";
    if (options.allowUnsigned && options.requireSignature)
        return "give either --allow-unsigned or --require-signature";
    if (options.check && options.json)
        return "--check writes for people: it does not go with --json";
    if (options.check)
        return options.ports.empty() ? std::nullopt : Error("--check opens no port: it does not take --port");
    return refusedRunCombination(options);
}

} // namespace

std::optional<std::string> ParseCliOptions(const std::vector<std::string>& args, CliOptions& options)
{
    options.arguments = args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto flag = std::find_if(std::begin(kFlags), std::end(kFlags), [&](const Flag& f) {
            return arg == f.name || (f.shortName != nullptr && arg == f.shortName);
        });
        if (flag != std::end(kFlags)) {
            options.*(flag->member) = true;
            if (options.help || options.version)
                return std::nullopt;   // nothing else counts
            continue;
        }
        // --name VALUE, or --name=VALUE as GNU tools take it too.
        const std::string name = arg.substr(0, arg.find('='));
        const auto valued =
            std::find_if(std::begin(kValued), std::end(kValued), [&](const Valued& v) { return name == v.name; });
        if (valued == std::end(kValued))
            return "unknown argument: " + shownArgument(arg);
        const bool joined = name.size() < arg.size();
        if (joined ? name.size() + 1 == arg.size() : i + 1 >= args.size() || args[i + 1].empty())
            return name + " needs a value";
        if (Error error = valued->take(options, joined ? arg.substr(name.size() + 1) : args[++i]))
            return error;
    }
    return refusedCombination(options);
}

int ExitCodeFor(RunOutcome outcome, const std::optional<RunFault>& fault)
{
    if (NotReleased(fault))
        return kExitNotReleased;
    switch (outcome) {
    case RunOutcome::Success: return kExitSuccess;
    case RunOutcome::NoPlatform: return kExitConfiguration;
    case RunOutcome::PortFailed:
    case RunOutcome::SerialFailed: return kExitPort;
    case RunOutcome::BootFailed: return kExitBoot;
    case RunOutcome::ConfigFailed: return kExitConfig;
    case RunOutcome::EepromFailed: return kExitEeprom;
    case RunOutcome::FlashFailed: return kExitFlash;
    case RunOutcome::Cancelled: return kExitCancelled;
    case RunOutcome::InternalError: return kExitInternal;
    }
    return kExitInternal;
}

} // namespace zorvane::cli

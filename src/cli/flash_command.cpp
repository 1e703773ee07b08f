#include "cli/flash_command.h"

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "cli/check_command.h"
#include "cli/checked_files.h"
#include "cli/exit_codes.h"
#include "cli/information_commands.h"
#include "cli/port_diagnostics.h"
#include "cli/radio_modes.h"
#include "cli/records_commands.h"
#include "cli/refusal_text.h"
#include "cli/stations.h"
#include "engine/file_labels.h"
#include "files/shown_text.h"
#include "link/clock.h"
#include "os/signal_wait.h"
#include "prepare/records_choice.h"
#include "prepare/unit_labels.h"
#include "qtlink/device_identity.h"
#include "records/record_forwarder.h"
#include "records/records_database.h"
#include "records/unit_history.h"

namespace zorvane::cli {

namespace {

prepare::InputChoices inputChoices(const CliOptions& options)
{
    prepare::InputChoices choices;
    choices.platform = options.platform;
    choices.configFile = options.configFile;
    choices.manifestFile = options.manifestFile;
    choices.keyringFile = options.keyringFile;
    choices.requireSignature = options.requireSignature;
    choices.allowUnsigned = options.allowUnsigned;
    choices.expectFirmware = options.expectFirmware;
    choices.workOrder = options.workOrder;
    choices.operatorName = options.operatorName;
    return choices;
}

// Exit 11 when a record given by --record could not be kept and no radio
// failed: a radio's failure always wins.
int withRecords(const CliOptions& options, const std::vector<PortRun>& runs, int exitCode)
{
    bool lost = false;
    for (const PortRun& run : runs)
        if (const std::optional<std::string> error = run.record->error()) {
            std::fprintf(stderr, "zorvane-flash: warning: the flash record for %s was not kept: %s\n",
                         files::ShownText(run.port).c_str(), files::ShownText(*error).c_str());
            lost = true;
        }
    if (lost && !options.recordFile.empty() && exitCode == kExitSuccess)
        return kExitRecord;
    return exitCode;
}

// Each radio's label, asked before the reset prompt; false when the
// operator gave none (the end of input, or Ctrl-C). An empty scan (a
// scanner's misfire) and a refused label are asked again.
bool askUnits(std::vector<std::string>& units, const std::vector<std::string>& ports, prepare::LabelBook& labels,
              os::SignalWait& signalWait)
{
    for (const std::string& port : ports) {
        for (;;) {
            std::printf("Unit on %s (scan or type its label, then Enter): ", files::ShownText(port).c_str());
            std::fflush(stdout);
            const os::InputLine unit = os::ReadInputLine(std::stop_token{}, &signalWait);
            if (!unit.line)
                return false;
            if (unit.line->empty()) {
                std::printf("No label read: scan or type it again.\n");
                continue;
            }
            const prepare::LabelBook::Checked checked = labels.check(*unit.line);
            if (checked.verdict == prepare::LabelBook::Verdict::Go) {
                labels.started(*unit.line, port);
                units.push_back(*unit.line);
                break;
            }
            std::printf("%s\n", files::ShownText(checked.said).c_str());
        }
    }
    return true;
}

// The release the run is held to, then the files and the CONFIG value.
void showFiles(const CliOptions& options, const prepare::CheckedInput& input)
{
    const files::ConfigReading& config = input.config;
    for (const std::string& warning : config.warnings)
        std::fprintf(stderr, "zorvane-flash: warning: %s\n", files::ShownText(warning).c_str());
    if (options.quiet)
        return;
    const FileLabels labels = LabelsFor(config.config);
    std::fprintf(options.json ? stderr : stdout, "%s\n%s\n%s\n%s\nCONFIG Value: $%s\n",
                 trust::ReleasedFilesLine(input.release).c_str(), files::ShownText(labels.boot).c_str(),
                 files::ShownText(labels.firmware).c_str(), files::ShownText(labels.eeprom).c_str(),
                 config.config.configVal.c_str());
}

std::vector<PortRun> portRuns(const CliOptions& options, const prepare::Settings& settings,
                              const prepare::CheckedInput& input, const std::vector<std::string>& units,
                              const std::vector<DatabasePlace>& owedTo)
{
    const std::optional<std::string> recordPath = prepare::RecordFileFor(options.recordFile, options.noRecord);
    std::vector<prepare::PreparedPort> prepared = PreparedPortsFor(options, settings, input, units);
    std::vector<PortRun> runs;
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        const std::string device = DeviceFor(options.ports[i], settings);
        runs.push_back({options.ports[i], std::move(prepared[i].request),
                        std::make_shared<PortRecord>(device, recordPath, std::move(prepared[i].origin), owedTo), nullptr});
    }
    return runs;
}

// Every radio's run, told as the options ask; the exit status.
int flashRadios(const CliOptions& options, std::vector<PortRun>& runs, os::SignalWait& signalWait, std::FILE* trace,
                std::chrono::steady_clock::time_point started)
{
    link::SteadyClock clock;
    std::vector<RunReport> reports;
    if (options.json) {
        JsonEvents events(stdout, started);
        const int exitCode =
            withRecords(options, runs, FlashForController(options, runs, clock, signalWait, events, reports));
        EmitSummary(events, runs, reports, exitCode);
        return exitCode;
    }
    const int exitCode = runs.size() == 1 ? FlashOneRadio(options, runs, clock, signalWait, trace, reports)
                                          : FlashBench(options, runs, clock, signalWait, reports);
    if (trace != nullptr) {
        if (!reports[0].cause.empty())
            std::fprintf(trace, "# cause: %s\n", files::ShownText(reports[0].cause).c_str());
        std::fclose(trace);
    }
    return withRecords(options, runs, exitCode);
}

// The radios run while the records left from earlier runs are sent; this
// run's go after them (a shift's after each radio).
int flashWithRecords(const CliOptions& options, const std::string& database,
                     const std::function<int(const std::function<void()>& recordKept)>& flash)
{
    std::unique_ptr<RecordForwarder> forwarder;
    const auto forwardLog = std::make_shared<ForwardLog>();
    if (!database.empty()) {
        forwarder = std::make_unique<RecordForwarder>(*prepare::RecordFileFor(options.recordFile, false), database);
        forwarder->forward(forwardLog->keeper());
    }
    const int exitCode = flash([&forwarder, &forwardLog] {
        if (forwarder)
            forwarder->forward(forwardLog->keeper());
    });
    if (forwarder)
        FinishForwarding(*forwarder, *forwardLog);
    return exitCode;
}

} // namespace

int FlashCommand(const CliOptions& options, const prepare::Settings& settings, const std::string& database,
                 std::FILE* trace, std::chrono::steady_clock::time_point started)
{
    // Ctrl-C and SIGTERM stop the runs through their closing steps: taken
    // from every thread before any starts, and waited for by this one.
    // Each record goes to the database chosen for this command, if any.
    const std::vector<DatabasePlace> owedTo =
        database.empty() ? std::vector<DatabasePlace>{} : std::vector<DatabasePlace>{PlaceOf(database)};
    os::SignalWait signalWait;
    std::variant<prepare::CheckedInput, prepare::Refusal> checked =
        CheckInputUnlessStopped(inputChoices(options), settings, signalWait);
    if (const prepare::Refusal* refused = std::get_if<prepare::Refusal>(&checked))
        return ShowRefusal(*refused, options.json);
    const prepare::CheckedInput& input = std::get<prepare::CheckedInput>(checked);
    if (options.check) {
        std::printf("%s\n", trust::ReleasedFilesLine(input.release).c_str());
        return RunCheck(input);
    }
    showFiles(options, input);
    if (options.stations)
        return flashWithRecords(options, database, [&](const std::function<void()>& recordKept) {
            return FlashStations(options, settings, input, owedTo, signalWait, recordKept);
        });

    std::vector<std::string> units = options.units;
    const auto pattern = prepare::UnitPatternFor(options.unitPattern, settings);
    const auto* unitPattern = std::get_if<std::optional<prepare::UnitPattern>>(&pattern);   // refused before
    const std::optional<std::string> recordPath = prepare::RecordFileFor(options.recordFile, options.noRecord);
    prepare::LabelBook labels(unitPattern ? *unitPattern : std::nullopt,
                              options.askUnit && recordPath ? UnitsLastSucceeded(*recordPath) : std::set<std::string>{});
    if (options.askUnit && !askUnits(units, options.ports, labels, signalWait)) {
        std::puts("\nNo unit label: nothing was flashed.");
        return kExitCancelled;
    }
    std::vector<PortRun> runs = portRuns(options, settings, input, units, owedTo);
    return flashWithRecords(options, database, [&](const std::function<void()>&) {
        return flashRadios(options, runs, signalWait, trace, started);
    });
}

} // namespace zorvane::cli

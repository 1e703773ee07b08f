// zorvane-flash: flash runs from the command line, for production benches.
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QString>
#include <QtCore/QSysInfo>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "cli/check_command.h"
#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/flash_session.h"
#include "cli/information_commands.h"
#include "cli/port_diagnostics.h"
#include "cli/radio_modes.h"
#include "cli/records_commands.h"
#include "cli/run_text.h"
#include "cli/terminal_input.h"
#include "os/process_signals.h"
#include "os/signal_wait.h"
#include "qtlink/device_identity.h"
#include "records/flash_record.h"
#include "records/record_forwarder.h"
#include "records/records_database.h"
#include "trust/release.h"
#include "engine/file_labels.h"
#include "engine/run_images.h"
#include "files/platform_config.h"
#include "files/shown_text.h"
#include "link/clock.h"
#include "zorvane_version.h"

using namespace zorvane;

namespace {

std::string configFileFor(const cli::CliOptions& options)
{
    if (!options.configFile.empty())
        return options.configFile;
    for (const files::Platform& p : files::kPlatforms)
        if (p.name == options.platform)
            return std::string(p.configFile);
    return {};
}

// Two names for one device (a link, "1" and /dev/ttyS0) are one port.
std::string sameDeviceAs(const std::string& device)
{
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(device, ec);
    return ec ? device : canonical.string();
}

// One line that says what is wrong, and where to look, as GNU tools do.
int usageError(const std::string& error)
{
    std::fprintf(stderr, "zorvane-flash: %s\nTry 'zorvane-flash --help'.\n", files::ShownText(error).c_str());
    return cli::kExitUsage;
}

// Everything the command line alone can refuse, before any other output.
std::optional<std::string> refusedArguments(const cli::CliOptions& options)
{
    if (options.askUnit && !cli::InputIsTerminal())
        return "--ask-unit needs a terminal to read the labels from";
    std::vector<std::string> devices;
    for (const std::string& port : options.ports) {
        const std::string device = sameDeviceAs(cli::DeviceFor(port));
        if (std::find(devices.begin(), devices.end(), device) != devices.end())
            return "port " + port + " is named twice";
        devices.push_back(device);
    }
    return std::nullopt;
}

// The configuration's box with its cause line: exit 3.
// With --json, standard output holds events only: the box goes to standard error.
int configurationRefused(const cli::CliOptions& options, files::ConfigResult result, const std::string& file,
                         const std::string& cause)
{
    std::FILE* out = options.json ? stderr : stdout;
    const files::ConfigFailure failure = files::ConfigFailureMessage(result, file);
    std::fputs(cli::BoxText(failure.title, failure.text).c_str(), out);
    if (!cause.empty())
        std::fprintf(out, "  cause: %s\n", files::ShownText(cause).c_str());
    return cli::kExitConfiguration;
}

std::string manifestName(const cli::CliOptions& options)
{
    return options.manifestFile.empty() ? files::kManifestName : options.manifestFile;
}

// The per-user settings, read once at start.
struct FlasherSettings {
    std::string file;               // for messages
    std::string folder;             // beside which trusted.gpg lies
    bool requireSignature = false;  // every run needs a signed manifest
    std::string database;           // the records database's URL; empty: none
};

FlasherSettings readSettings()
{
    const QSettings settings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE"));
    return {settings.fileName().toStdString(), QFileInfo(settings.fileName()).absolutePath().toStdString(),
            settings.value(QStringLiteral("Files/RequireSignature")).toBool(),
            settings.value(QStringLiteral("Records/Database")).toString().toStdString()};
}

trust::ReleaseOptions releaseOptions(const cli::CliOptions& options, const FlasherSettings& settings,
                                     std::stop_token stop)
{
    return {options.manifestFile, options.keyringFile, settings.folder,
            options.requireSignature || settings.requireSignature, {}, std::move(stop)};
}

// The records database's URL (--database, else the settings'; empty: none),
// or why it cannot be used. Without records there is nothing to send.
struct DatabaseChoice {
    std::string url;
    std::optional<std::string> refused;
};

DatabaseChoice databaseFor(const cli::CliOptions& options, const FlasherSettings& settings)
{
    if (!options.database.empty()) {
        if (std::optional<std::string> refused = RefusedDatabaseUrl(options.database))
            return {{}, "--database: " + *refused};
        return {options.database, {}};
    }
    if (options.noRecord || options.check || settings.database.empty())
        return {};
    if (std::optional<std::string> refused = RefusedDatabaseUrl(settings.database))
        return {{}, "Database in [Records] of " + settings.file + ": " + *refused};
    return {settings.database, {}};
}

std::string recordsFile(const cli::CliOptions& options)
{
    return options.recordFile.empty() ? DefaultFlashRecordPath() : options.recordFile;
}

int recordsCommand(const cli::CliOptions& options, const FlasherSettings& settings, const std::string& url)
{
    if (url.empty())
        return usageError("no records database: give --database URL, or Database= in [Records] of " + settings.file);
    if (options.initDatabase)
        return cli::InitDatabaseCommand(stdout, url);
    if (options.forwardRecords)
        return cli::ForwardRecordsCommand(stdout, recordsFile(options), url);
    return cli::RecordsStatusCommand(stdout, recordsFile(options), url);
}

std::optional<ReleaseInPlay> releaseInPlay(const trust::Release& release)
{
    if (!release.manifest)
        return std::nullopt;
    return ReleaseInPlay{release.manifest, release.signedBy};
}

// Exit 11 when a record given by --record could not be kept and no radio
// failed: a radio's failure always wins.
int withRecords(const cli::CliOptions& options, const std::vector<cli::PortRun>& runs, int exitCode)
{
    bool lost = false;
    for (const cli::PortRun& run : runs)
        if (const std::optional<std::string> error = run.record->error()) {
            std::fprintf(stderr, "zorvane-flash: warning: the flash record for %s was not kept: %s\n",
                         files::ShownText(run.port).c_str(), files::ShownText(*error).c_str());
            lost = true;
        }
    if (lost && !options.recordFile.empty() && exitCode == cli::kExitSuccess)
        return cli::kExitRecord;
    return exitCode;
}

// Each radio's label, asked before the reset prompt; false when the
// operator gave none (an empty line, the end of input, or Ctrl-C).
bool askUnits(std::vector<std::string>& units, const std::vector<std::string>& ports, os::SignalWait& signalWait)
{
    for (const std::string& port : ports) {
        std::printf("Unit on %s (scan or type its label, then Enter): ", files::ShownText(port).c_str());
        std::fflush(stdout);
        const os::InputLine unit = os::ReadInputLine(std::stop_token{}, &signalWait);
        if (!unit.line || unit.line->empty())
            return false;
        units.push_back(*unit.line);
    }
    return true;
}

// The configuration and the release it is held to, read once and checked
// whole before any port opens; or the exit status of their refusal.
struct CheckedInput {
    files::ConfigReading config;
    trust::Release release;
    std::optional<ReleaseInPlay> inPlay;
};

std::variant<CheckedInput, int> checkedInput(const cli::CliOptions& options, const FlasherSettings& settings,
                                             const std::stop_token& stop)
{
    files::ConfigReading config = files::parseConfig(configFileFor(options));
    if (!config.loaded())
        return configurationRefused(options, config.result, config.config.configFile, config.cause);
    std::variant<trust::Release, std::string> release = trust::LoadRelease(releaseOptions(options, settings, stop));
    if (stop.stop_requested())
        return cli::kExitCancelled;
    if (const std::string* refused = std::get_if<std::string>(&release))
        return configurationRefused(options, files::ConfigResult::Incomplete, manifestName(options), *refused);
    const std::optional<ReleaseInPlay> inPlay = releaseInPlay(std::get<trust::Release>(release));
    if (inPlay)
        if (std::optional<std::string> problem =
                inPlay->manifest->problemWith(config.config.configFile, config.config.configSha256))
            return configurationRefused(options, files::ConfigResult::Incomplete, config.config.configFile, *problem);
    return CheckedInput{std::move(config), std::move(std::get<trust::Release>(release)), inPlay};
}

// How long a stop signal waits for the check to clean up after itself
// (GnuPG's agent ended, its folder removed) before the flasher leaves.
constexpr std::chrono::milliseconds kCheckLetGo{800};

// The files are checked on a thread of their own while this one waits for
// the stop signals: Ctrl-C, SIGTERM or a hang-up ends a slow signature check
// at once, with the exit status of a stop.
std::variant<CheckedInput, int> checkedInputUnlessStopped(const cli::CliOptions& options,
                                                          const FlasherSettings& settings, os::SignalWait& signalWait)
{
    struct Check {
        std::stop_source stop;
        std::promise<std::variant<CheckedInput, int>> result;
        std::mutex mutex;
        os::SignalWait* waiting = nullptr;   // none once the flasher stopped listening
    };
    const auto check = std::make_shared<Check>();
    check->waiting = &signalWait;
    std::future<std::variant<CheckedInput, int>> result = check->result.get_future();
    // Everything it reads is its own: a check stuck in a read the stop
    // cannot reach is left behind as the flasher ends.
    std::thread([check, options, settings] {
        check->result.set_value(checkedInput(options, settings, check->stop.get_token()));
        const std::lock_guard lock(check->mutex);
        if (check->waiting != nullptr)
            check->waiting->wake();
    }).detach();
    const auto stopListening = [&check] {
        const std::lock_guard lock(check->mutex);
        check->waiting = nullptr;
    };
    for (;;) {
        const os::WaitEvent event = signalWait.wait(std::nullopt);
        if (result.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            stopListening();
            return result.get();
        }
        if (event == os::WaitEvent::Stop || event == os::WaitEvent::HangUp)
            break;
    }
    check->stop.request_stop();
    std::fputs("zorvane-flash: stopped while the files were checked\n", stderr);
    result.wait_for(kCheckLetGo);
    stopListening();
    return cli::kExitCancelled;
}

void showFiles(const cli::CliOptions& options, const files::ConfigReading& config)
{
    for (const std::string& warning : config.warnings)
        std::fprintf(stderr, "zorvane-flash: warning: %s\n", files::ShownText(warning).c_str());
    if (options.quiet)
        return;
    const FileLabels labels = LabelsFor(config.config);
    std::fprintf(options.json ? stderr : stdout, "%s\n%s\n%s\nCONFIG Value: $%s\n",
                 files::ShownText(labels.boot).c_str(), files::ShownText(labels.firmware).c_str(),
                 files::ShownText(labels.eeprom).c_str(), config.config.configVal.c_str());
}

std::vector<cli::PortRun> portRuns(const cli::CliOptions& options, const CheckedInput& input,
                                   const std::vector<std::string>& units)
{
    std::optional<std::string> recordPath;
    if (!options.noRecord)
        recordPath = recordsFile(options);
    const std::string host = QSysInfo::machineHostName().toStdString();
    // Read once for every radio: a file changed while the bench starts
    // cannot give two radios of one command different bytes.
    const auto imagesRead = std::make_shared<const RunImagesRead>(
        RunImagesRead{ReadRunImages(input.config.config, input.inPlay ? input.inPlay->manifest.get() : nullptr)});
    std::vector<cli::PortRun> runs;
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        const std::string& port = options.ports[i];
        const std::string device = cli::DeviceFor(port);
        RecordOrigin origin{host, RecordUser(), kVersion, port, link::DescribeDevice(device),
                            units.empty() ? std::nullopt : std::optional(units[i])};
        // The run opens the device itself and names it in its status.
        RunRequest request{link::DevicePath{device}, input.config.config, input.inPlay,
                           imagesRead};
        request.describeOpenFailure = [device](const OpenError& error) { return cli::DiagnoseOpenFailure(device, error); };
        runs.push_back({port, std::move(request),
                        std::make_shared<cli::PortRecord>(device, recordPath, std::move(origin)), nullptr});
    }
    return runs;
}

// Every radio's run, told as the options ask; the exit status.
int flashRadios(const cli::CliOptions& options, std::vector<cli::PortRun>& runs, os::SignalWait& signalWait,
                std::FILE* trace, std::chrono::steady_clock::time_point started)
{
    link::SteadyClock clock;
    std::vector<RunReport> reports;
    if (options.json) {
        cli::JsonEvents events(stdout, started);
        const int exitCode = withRecords(options, runs, cli::FlashForController(options, runs, clock, signalWait, events, reports));
        cli::EmitSummary(events, runs, reports, exitCode);
        return exitCode;
    }
    const int exitCode = runs.size() == 1 ? cli::FlashOneRadio(options, runs, clock, signalWait, trace, reports)
                                          : cli::FlashBench(options, runs, clock, signalWait, reports);
    if (trace != nullptr) {
        if (!reports[0].cause.empty())
            std::fprintf(trace, "# cause: %s\n", files::ShownText(reports[0].cause).c_str());
        std::fclose(trace);
    }
    return withRecords(options, runs, exitCode);
}

int flashRun(const cli::CliOptions& options, const FlasherSettings& settings, const std::string& database,
             std::FILE* trace, std::chrono::steady_clock::time_point started)
{
    // Ctrl-C and SIGTERM stop the runs through their closing steps: taken
    // from every thread before any starts, and waited for by this one.
    os::SignalWait signalWait;
    std::variant<CheckedInput, int> input = checkedInputUnlessStopped(options, settings, signalWait);
    if (const int* refused = std::get_if<int>(&input))
        return *refused;
    if (options.check)
        return cli::RunCheck(std::get<CheckedInput>(input).config, std::get<CheckedInput>(input).release);
    showFiles(options, std::get<CheckedInput>(input).config);

    std::vector<std::string> units = options.units;
    if (options.askUnit && !askUnits(units, options.ports, signalWait)) {
        std::puts("\nNo unit label: nothing was flashed.");
        return cli::kExitCancelled;
    }
    // Records left from earlier runs go while these run; this one's after.
    std::unique_ptr<RecordForwarder> forwarder;
    const auto forwardLog = std::make_shared<cli::ForwardLog>();
    if (!database.empty()) {
        forwarder = std::make_unique<RecordForwarder>(recordsFile(options), database);
        forwarder->forward(forwardLog->keeper());
    }
    std::vector<cli::PortRun> runs = portRuns(options, std::get<CheckedInput>(input), units);
    const int exitCode = flashRadios(options, runs, signalWait, trace, started);
    if (forwarder)
        cli::FinishForwarding(*forwarder, *forwardLog);
    return exitCode;
}

} // namespace

int main(int argc, char** argv)
{
    const auto started = std::chrono::steady_clock::now();   // the events' time counts from here
    // A line controller or a terminal that goes away makes writes to it
    // fail, and nothing here looks at their result: the radios are finished
    // and their records kept whoever still reads.
    os::SetUpProcessSignals();
    cli::CliOptions options;
    if (auto error = cli::ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), options))
        return usageError(*error);
    if (const std::optional<int> told = cli::InformationAsked(options))
        return *told;
    const FlasherSettings settings = readSettings();
    const DatabaseChoice database = databaseFor(options, settings);
    if (database.refused)
        return usageError(*database.refused);
    if (options.recordsCommand())
        return recordsCommand(options, settings, database.url);
    if (!options.check)
        if (std::optional<std::string> refused = refusedArguments(options))
            return usageError(*refused);
    std::FILE* trace = nullptr;
    if (!options.traceFile.empty() && (trace = std::fopen(options.traceFile.c_str(), "w")) == nullptr)
        return usageError("cannot write the trace " + options.traceFile);
    return flashRun(options, settings, database.url, trace, started);
}

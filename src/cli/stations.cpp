#include "cli/stations.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/bench_host.h"
#include "cli/checked_files.h"
#include "cli/exit_codes.h"
#include "cli/information_commands.h"
#include "cli/run_text.h"
#include "cli/shift_tally.h"
#include "cli/station_host.h"
#include "cli/station_input.h"
#include "cli/terminal_input.h"
#include "engine/flash_runner.h"
#include "files/shown_text.h"
#include "link/clock.h"
#include "os/terminal.h"
#include "os/typed_input.h"
#include "os/utc_time.h"
#include "prepare/records_choice.h"
#include "prepare/unit_labels.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/qt_worker_thread.h"
#include "records/flash_record.h"
#include "records/json_line.h"
#include "records/record_id.h"
#include "records/unit_history.h"

namespace zorvane::cli {

namespace {

using Clock = ShiftClock;

// The live header's radios an hour move even when nothing happens.
constexpr std::chrono::seconds kCountsRefresh{1};
// A station opens its port again a moment after its run closed it, so that
// the KRIX box sees the line released between two radios.
constexpr std::chrono::milliseconds kRearmPause{250};

struct Station {
    std::string port;                  // as given
    RunRequest request;
    RecordOrigin origin;
    std::string device;
    std::unique_ptr<StationHost> host;
    std::unique_ptr<FlashRunner> runner;
    std::shared_ptr<StationRecord> record;
    bool running = false;              // a run is under way (arming, armed or flashing)
    std::string unit;                  // the radio on it now
    Clock::time_point scanned;
    std::optional<Clock::time_point> retryAt;
};

// What the other threads hand the shift's thread.
struct Inbox {
    std::mutex mutex;
    std::vector<std::pair<std::size_t, RunReport>> ended;
    std::vector<std::optional<std::string>> lines;   // none: the end of input
};

// "2026-12-08T10:52:05Z-4f1a": when the shift began, and a few random digits
// for two benches that begin in the same second.
std::string newShiftId()
{
    return os::UtcText(std::chrono::system_clock::now()) + "-" + NewRecordId().substr(0, 4);
}

std::optional<prepare::UnitPattern> unitPattern(const CliOptions& options, const prepare::Settings& settings)
{
    auto pattern = prepare::UnitPatternFor(options.unitPattern, settings);
    auto* checked = std::get_if<std::optional<prepare::UnitPattern>>(&pattern);   // refused before
    return checked ? *checked : std::nullopt;
}

class Shift {
public:
    Shift(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
          os::SignalWait& signalWait, std::function<void()> recordKept);
    int run();

private:
    void header() const;
    void arm(std::size_t index);
    void cycle();
    void takeInbox();
    void runEnded(std::size_t index, const RunReport& report);
    void radioEnded(std::size_t index, const RunReport& report);
    void takeLine(const std::optional<std::string>& line);
    void scanned(const std::string& label);
    void start(std::size_t index, const std::string& label);
    void end(const std::string& why);
    void stopRadios();
    void show();
    std::optional<Clock::time_point> nextWake(std::optional<Clock::time_point> board) const;
    bool anyRunning() const;
    std::vector<bool> armedStations();
    int finish();
    void keepSummary(int exitCode) const;

    const CliOptions& options_;
    const prepare::CheckedInput& input_;
    os::SignalWait& signalWait_;
    const std::function<void()> recordKept_;
    const std::optional<std::string> recordPath_;
    const std::string id_;
    const std::chrono::system_clock::time_point began_;
    const Clock::time_point started_;
    link::SteadyClock clock_;
    std::vector<std::string> ports_;
    StationBoard board_;
    std::vector<Station> stations_;
    prepare::LabelBook labels_;
    ShiftTally tally_;
    Inbox inbox_;
    std::size_t runsStarted_ = 0;
    std::optional<std::size_t> lastUsed_;
    std::optional<std::size_t> chosen_;
    bool ending_ = false;
    bool stopping_ = false;
    std::vector<std::string> recordErrors_;
};

Shift::Shift(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
             os::SignalWait& signalWait, std::function<void()> recordKept)
    : options_(options), input_(input), signalWait_(signalWait), recordKept_(std::move(recordKept)),
      recordPath_(prepare::RecordFileFor(options.recordFile, options.noRecord)), id_(newShiftId()),
      began_(std::chrono::system_clock::now()), started_(Clock::now()), ports_(options.ports),
      board_(ports_, {OutputIsTerminal(), ColourWanted(OutputIsTerminal(), std::getenv("NO_COLOR")), options.quiet},
             stdout, os::TerminalSizeNow, [&signalWait] { signalWait.wake(); }),
      labels_(unitPattern(options, settings), recordPath_ ? UnitsLastSucceeded(*recordPath_) : std::set<std::string>{}),
      tally_(options.ports.size(), started_)
{
    std::vector<prepare::PreparedPort> prepared = PreparedPortsFor(options, settings, input, {});
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        Station station;
        station.port = ports_[i];
        station.request = std::move(prepared[i].request);
        station.origin = std::move(prepared[i].origin);
        station.device = DeviceFor(ports_[i], settings);
        station.host = std::make_unique<StationHost>(i, board_, options, [&signalWait] { signalWait.wake(); });
        station.runner = std::make_unique<FlashRunner>(
            [this] { return std::make_unique<link::QtSerialPort>(clock_, [](int) { return std::string(); }); },
            clock_, *station.host, link::StartQtThread);
        stations_.push_back(std::move(station));
    }
}

// The shift's files, once: new firmware means a new shift.
void Shift::header() const
{
    const files::ConfigReading& config = input_.config;
    std::printf("Shift %s: %zu station%s\n  %-24s sha256 %s\n", id_.c_str(), ports_.size(),
                ports_.size() == 1 ? "" : "s", files::ShownText(config.config.configFile).c_str(),
                config.config.configSha256.c_str());
    const auto* images = std::get_if<std::shared_ptr<const RunImages>>(&stations_[0].request.imagesRead->read);
    if (images != nullptr) {
        std::printf("  %-24s sha256 %s\n", files::ShownText((*images)->boot.file.fileName).c_str(),
                    (*images)->boot.file.sha256.c_str());
        if ((*images)->eeprom)
            std::printf("  %-24s sha256 %s\n", files::ShownText((*images)->eeprom->file.fileName).c_str(),
                        (*images)->eeprom->file.sha256.c_str());
        std::printf("  %-24s sha256 %s\n", files::ShownText((*images)->firmware.file.fileName).c_str(),
                    (*images)->firmware.file.sha256.c_str());
    }
    std::printf("Reset the radio on the station marked >, then scan its label%s.\n"
                "@N chooses station N; q ends the shift.\n",
                options_.noUnits ? " (or press Enter)" : "");
    std::fflush(stdout);
}

void Shift::arm(std::size_t index)
{
    Station& station = stations_[index];
    station.retryAt.reset();
    station.unit.clear();
    station.host->begin();
    station.record = std::make_shared<StationRecord>(station.device, recordPath_, station.origin);
    station.running = true;
    board_.state(index, StationState::Opening);
    const bool started = station.runner->start(
        station.request,
        [this, index](const RunReport& report) {
            {
                std::lock_guard lock(inbox_.mutex);
                inbox_.ended.emplace_back(index, report);
            }
            signalWait_.wake();
        },
        station.record);
    if (!started) {
        // The last run is still handing over its end: try again in a moment.
        station.running = false;
        station.retryAt = Clock::now() + kRearmPause;
    }
}

bool Shift::anyRunning() const
{
    for (const Station& station : stations_)
        if (station.running)
            return true;
    return false;
}

std::vector<bool> Shift::armedStations()
{
    std::vector<bool> armed;
    for (Station& station : stations_)
        armed.push_back(!ending_ && station.host->armed());
    return armed;
}

std::optional<Clock::time_point> Shift::nextWake(std::optional<Clock::time_point> board) const
{
    std::optional<Clock::time_point> next = board;
    const auto sooner = [&next](Clock::time_point at) {
        if (!next || at < *next)
            next = at;
    };
    for (const Station& station : stations_)
        if (station.retryAt)
            sooner(*station.retryAt);
    if (OutputIsTerminal())
        sooner(Clock::now() + kCountsRefresh);
    return next;
}

int Shift::run()
{
    // Images that cannot be used would fail every radio: the shift does not begin.
    const auto& read = stations_[0].request.imagesRead->read;
    if (const RunFailure* failure = std::get_if<RunFailure>(&read)) {
        std::printf("%s%s", BoxText(failure->message.title, failure->message.text).c_str(),
                    CauseLine(failure->message, failure->cause).c_str());
        return ExitCodeFor(failure->outcome, failure->fault);
    }
    header();
    for (std::size_t i = 0; i < stations_.size(); ++i)
        arm(i);
    // The label being typed is drawn with the live block, where there is one.
    os::TypedInput typed(OutputIsTerminal() && !options_.quiet);
    std::jthread input([this, &typed](std::stop_token stop) {
        for (;;) {
            std::optional<std::string> line =
                typed.readLine(stop, [this](const std::string& text) { board_.typing(text); });
            {
                std::lock_guard lock(inbox_.mutex);
                inbox_.lines.push_back(line);
            }
            signalWait_.wake();
            if (!line)
                return;
        }
    });
    std::optional<Clock::time_point> boardWake;
    while (!ending_ || anyRunning()) {
        const os::WaitEvent event = signalWait_.wait(nextWake(boardWake));
        if (event == os::WaitEvent::Stop)
            ending_ ? stopRadios() : end("Ctrl-C");
        else if (event == os::WaitEvent::HangUp)
            end("the terminal hung up");
        cycle();
        boardWake = board_.wake(event == os::WaitEvent::Resize);
    }
    input.request_stop();
    return finish();
}

void Shift::cycle()
{
    takeInbox();
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < stations_.size(); ++i)
        if (!ending_ && stations_[i].retryAt && *stations_[i].retryAt <= now)
            arm(i);
    show();
}

void Shift::show()
{
    const std::vector<bool> armed = armedStations();
    board_.next(NextStation(armed, lastUsed_, chosen_));
    board_.counts(ShiftCounts(tally_, Clock::now()));
}

void Shift::takeInbox()
{
    std::vector<std::pair<std::size_t, RunReport>> ended;
    std::vector<std::optional<std::string>> lines;
    {
        std::lock_guard lock(inbox_.mutex);
        ended.swap(inbox_.ended);
        lines.swap(inbox_.lines);
    }
    for (const auto& [index, report] : ended)
        runEnded(index, report);
    for (const std::optional<std::string>& line : lines)
        takeLine(line);
}

void Shift::runEnded(std::size_t index, const RunReport& report)
{
    Station& station = stations_[index];
    station.running = false;
    if (station.host->scanned()) {
        radioEnded(index, report);
        if (ending_) {
            board_.state(index, StationState::Closed);
            return;
        }
        station.retryAt = Clock::now() + kRearmPause;
        board_.state(index, StationState::Opening);
        return;
    }
    // No radio came: the port did not open, or the shift ended while it was armed.
    if (ending_ || report.outcome == RunOutcome::Cancelled) {
        board_.state(index, StationState::Closed);
        return;
    }
    station.retryAt = Clock::now() + kStationRetry;
    board_.state(index, StationState::Unavailable,
                 station.host->unavailable() + ", trying again every " + std::to_string(kStationRetry.count()) + " s");
}

void Shift::radioEnded(std::size_t index, const RunReport& report)
{
    Station& station = stations_[index];
    const Clock::time_point now = Clock::now();
    const bool succeeded = report.outcome == RunOutcome::Success;
    tally_.add({index, station.unit, station.scanned, now, succeeded, ExitCodeFor(report.outcome, report.fault)});
    if (!station.unit.empty())
        labels_.ended(station.unit, succeeded);
    if (const std::optional<std::string> error = station.record->error()) {
        recordErrors_.push_back(*error);
        board_.message(index, "warning: the flash record was not kept: " + *error);
    } else if (recordPath_ && recordKept_) {
        recordKept_();
    }
    char text[160];
    std::snprintf(text, sizeof text, "%s %s %.1f s", station.unit.empty() ? "-" : station.unit.c_str(),
                  NotReleased(report.fault) ? "not released" : OutcomeName(report.outcome),
                  std::chrono::duration<double>(now - station.scanned).count());
    board_.ended(index, text, succeeded);
}

void Shift::takeLine(const std::optional<std::string>& line)
{
    if (!line) {
        end("the end of input");
        return;
    }
    board_.typing({});
    const StationLine asked = ReadStationLine(*line, ports_, options_.noUnits);
    if (std::holds_alternative<EndShift>(asked)) {
        end("q");
    } else if (const auto* choose = std::get_if<ChooseStation>(&asked)) {
        labels_.interrupted();
        if (stations_[choose->index].host->armed())
            chosen_ = choose->index;
        else
            board_.note("Station " + ports_[choose->index] + " is not armed: it cannot take a radio now.\n");
    } else if (const auto* unknown = std::get_if<UnknownStation>(&asked)) {
        board_.note(unknown->said + "\n");
    } else if (const auto* label = std::get_if<ScannedLabel>(&asked)) {
        scanned(label->label);
    }
}

void Shift::scanned(const std::string& label)
{
    if (ending_) {
        board_.note("The shift is ending: no new radio starts.\n");
        return;
    }
    const std::optional<std::size_t> next = NextStation(armedStations(), lastUsed_, chosen_);
    if (!next) {
        board_.note("No station is armed: scan " + label + " again when one is.\n");
        return;
    }
    if (!label.empty()) {
        const prepare::LabelBook::Checked checked = labels_.check(label);
        if (checked.verdict == prepare::LabelBook::Verdict::ScanAgain)
            board_.flag(*next, label + ": flashed before, scan again to flash again");
        if (checked.verdict != prepare::LabelBook::Verdict::Go) {
            board_.note(checked.said + "\n");
            return;
        }
    }
    start(*next, label);
}

void Shift::start(std::size_t index, const std::string& label)
{
    Station& station = stations_[index];
    const std::optional<std::string> unit = label.empty() ? std::nullopt : std::optional(label);
    // Only this thread sends an armed station on or stops it: armed now, it
    // is armed when go() comes.
    station.record->name(unit, id_ + "/" + std::to_string(++runsStarted_));
    station.host->go();
    station.unit = label;
    station.scanned = Clock::now();
    if (unit)
        labels_.started(label, station.port);
    lastUsed_ = index;
    chosen_.reset();
    board_.state(index, StationState::Running, label);
}

// No new radio starts; the radios under way finish.
void Shift::end(const std::string& why)
{
    if (ending_)
        return;
    ending_ = true;
    board_.note("Ending the shift (" + why + "): the radios under way finish" +
                (why == "Ctrl-C" ? "; Ctrl-C again stops them.\n" : ".\n"));
    for (Station& station : stations_) {
        station.retryAt.reset();
        if (station.running && !station.host->scanned())
            station.runner->cancel();
    }
}

void Shift::stopRadios()
{
    if (stopping_)
        return;
    stopping_ = true;
    board_.note("Stopping the radios under way...\n");
    for (Station& station : stations_)
        station.runner->cancel();
}

int Shift::finish()
{
    for (Station& station : stations_)
        station.runner->wait();
    takeInbox();
    show();
    board_.finish();
    const Clock::time_point now = Clock::now();
    std::printf("\nShift %s ended after %.0f s\n", id_.c_str(), std::chrono::duration<double>(now - started_).count());
    PrintShiftSummary(stdout, tally_, ports_, now);
    int exitCode = tally_.exitCode();
    if (exitCode == 0 && !recordErrors_.empty() && !options_.recordFile.empty())
        exitCode = kExitRecord;
    keepSummary(exitCode);
    return exitCode;
}

void Shift::keepSummary(int exitCode) const
{
    if (!recordPath_)
        return;
    nlohmann::ordered_json summary = {{"schema", kShiftSummarySchema}, {"shift", id_}};
    summary["started"] = os::UtcText(began_);
    summary["ended"] = os::UtcText(std::chrono::system_clock::now());
    summary["host"] = stations_[0].origin.host;
    summary["user"] = stations_[0].origin.user;
    summary["version"] = stations_[0].origin.version;
    summary["config_file"] = input_.config.config.configFile;
    summary["config_sha256"] = input_.config.config.configSha256;
    const nlohmann::ordered_json figures = ShiftFigures(tally_, ports_, Clock::now());
    for (auto field = figures.begin(); field != figures.end(); ++field)
        summary[field.key()] = field.value();
    summary["exit_code"] = exitCode;
    const std::string path = ShiftsFileFor(*recordPath_);
    if (const std::optional<std::string> error = AppendFlashRecord(path, JsonLine(summary)))
        std::fprintf(stderr, "zorvane-flash: warning: the shift summary was not kept in %s: %s\n",
                     files::ShownText(path).c_str(), files::ShownText(*error).c_str());
    else
        std::printf("Shift summary kept in %s\n", files::ShownText(path).c_str());
}

} // namespace

std::string ShiftsFileFor(const std::string& recordsPath)
{
    const std::string suffix = ".jsonl";
    const bool jsonl = recordsPath.size() > suffix.size() &&
                       recordsPath.compare(recordsPath.size() - suffix.size(), suffix.size(), suffix) == 0;
    return (jsonl ? recordsPath.substr(0, recordsPath.size() - suffix.size()) : recordsPath) + ".shifts.jsonl";
}

int FlashStations(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
                  os::SignalWait& signalWait, const std::function<void()>& recordKept)
{
    Shift shift(options, settings, input, signalWait, recordKept);
    return shift.run();
}

} // namespace zorvane::cli

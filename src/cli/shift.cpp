#include "cli/shift.h"

#include <cstdlib>
#include <thread>

#include "cli/bench_host.h"
#include "cli/checked_files.h"
#include "cli/exit_codes.h"
#include "cli/information_commands.h"
#include "cli/run_text.h"
#include "cli/station_input.h"
#include "cli/stations.h"
#include "cli/terminal_input.h"
#include "files/shown_text.h"
#include "os/terminal.h"
#include "os/typed_input.h"
#include "os/utc_time.h"
#include "prepare/records_choice.h"
#include "qtlink/device_identity.h"
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

std::unique_ptr<StationView> viewFor(const CliOptions& options, JsonEvents* events, bool terminal,
                                     os::SignalWait& signalWait)
{
    if (events != nullptr)
        return std::make_unique<EventView>(options.ports, *events);
    return std::make_unique<BoardView>(options.ports,
                                       BoardStyle{terminal, ColourWanted(terminal, std::getenv("NO_COLOR")),
                                                  options.quiet},
                                       os::TerminalSizeNow, [&signalWait] { signalWait.wake(); });
}

} // namespace

Shift::Shift(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
             std::vector<DatabasePlace> owedTo, os::SignalWait& signalWait, std::function<void()> recordKept)
    : options_(options), input_(input), signalWait_(signalWait), recordKept_(std::move(recordKept)),
      recordPath_(prepare::RecordFileFor(options.recordFile, options.noRecord)),
      owedTo_(std::move(owedTo)),
      id_(newShiftId()),
      began_(std::chrono::system_clock::now()), started_(Clock::now()), people_(options.json ? stderr : stdout),
      terminal_(OutputIsTerminal()),
      ports_(options.ports), events_(options.json ? std::make_unique<JsonEvents>(stdout, started_) : nullptr),
      view_(viewFor(options, events_.get(), terminal_, signalWait)),
      labels_(unitPattern(options, settings),
              recordPath_ && !options.noUnits ? UnitsLastSucceeded(*recordPath_) : std::set<std::string>{}),
      tally_(started_)
{
    std::vector<prepare::PreparedPort> prepared = PreparedPortsFor(options, settings, input, {});
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        Station station;
        station.port = ports_[i];
        station.request = std::move(prepared[i].request);
        station.origin = std::move(prepared[i].origin);
        station.device = DeviceFor(ports_[i], settings);
        station.host = std::make_unique<StationHost>(i, *view_, options, [&signalWait] { signalWait.wake(); });
        station.runner = std::make_unique<FlashRunner>(
            [this] { return std::make_unique<link::QtSerialPort>(clock_, [](int) { return std::string(); }); },
            clock_, *station.host, link::StartQtThread);
        stations_.push_back(std::move(station));
    }
    // A controller that goes away ends the shift as "end" does.
    if (events_)
        events_->onReaderGone([&signalWait] { signalWait.wake(); });
}

// The shift's files, once: new firmware means a new shift.
void Shift::header() const
{
    const files::ConfigReading& config = input_.config;
    std::fprintf(people_, "Shift %s: %zu station%s\n  %-24s sha256 %s\n", id_.c_str(), ports_.size(),
                ports_.size() == 1 ? "" : "s", files::ShownText(config.config.configFile).c_str(),
                config.config.configSha256.c_str());
    const auto* images = std::get_if<std::shared_ptr<const RunImages>>(&stations_[0].request.imagesRead->read);
    if (images != nullptr) {
        std::fprintf(people_, "  %-24s sha256 %s\n", files::ShownText((*images)->boot.file.fileName).c_str(),
                    (*images)->boot.file.sha256.c_str());
        if ((*images)->eeprom)
            std::fprintf(people_, "  %-24s sha256 %s\n", files::ShownText((*images)->eeprom->file.fileName).c_str(),
                        (*images)->eeprom->file.sha256.c_str());
        std::fprintf(people_, "  %-24s sha256 %s\n", files::ShownText((*images)->firmware.file.fileName).c_str(),
                    (*images)->firmware.file.sha256.c_str());
    }
    if (!events_)
        std::fprintf(people_, "Reset the radio on the station marked >, then scan its label%s.\n"
                              "@N chooses station N; q ends the shift.\n",
                     options_.noUnits ? " (or press Enter)" : "");
    std::fflush(people_);
}

void Shift::arm(std::size_t index)
{
    Station& station = stations_[index];
    station.retryAt.reset();
    station.unit.clear();
    // The adapter may have been plugged in, or swapped, since the last radio.
    station.origin.device = link::DescribeDevice(station.device);
    station.host->begin();
    station.record = std::make_shared<StationRecord>(station.device, recordPath_, station.origin, owedTo_);
    station.running = true;
    view_->opening(index);
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

bool Shift::radioUnderWay() const
{
    for (const Station& station : stations_)
        if (station.running && station.host->scanned())
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
    if (terminal_)
        sooner(Clock::now() + kCountsRefresh);
    return next;
}

int Shift::run()
{
    // Images that cannot be used would fail every radio: the shift does not begin.
    const auto& read = stations_[0].request.imagesRead->read;
    if (const RunFailure* failure = std::get_if<RunFailure>(&read)) {
        std::fprintf(people_, "%s%s", BoxText(failure->message.title, failure->message.text).c_str(),
                    CauseLine(failure->message, failure->cause).c_str());
        return ExitCodeFor(failure->outcome, failure->fault);
    }
    header();
    for (std::size_t i = 0; i < stations_.size(); ++i)
        arm(i);
    // The label being typed is drawn with the live block, where there is one.
    os::TypedInput typed(!events_ && terminal_ && !options_.quiet);
    std::jthread input([this, &typed](std::stop_token stop) {
        for (;;) {
            std::optional<std::string> line =
                typed.readLine(stop, [this](const std::string& text) { view_->typing(text); });
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
            ending_ ? stopRadios() : end("Ctrl-C or SIGTERM");
        else if (event == os::WaitEvent::HangUp)
            end("the terminal hung up");
        cycle();
        boardWake = view_->wake(event == os::WaitEvent::Resize);
    }
    input.request_stop();
    return finish();
}

void Shift::cycle()
{
    takeInbox();
    if (events_ && events_->readerGone())
        end("the controller's output closed");
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < stations_.size(); ++i)
        if (!ending_ && stations_[i].retryAt && *stations_[i].retryAt <= now)
            arm(i);
    show();
}

void Shift::show()
{
    view_->next(nextStation());
    view_->counts(ShiftCounts(tally_, Clock::now()));
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
        events_ ? takeCommand(line) : takeLine(line);
}

void Shift::runEnded(std::size_t index, const RunReport& report)
{
    Station& station = stations_[index];
    station.running = false;
    if (station.host->scanned()) {
        radioEnded(index, report);
        if (ending_) {
            view_->closed(index);
            return;
        }
        station.retryAt = Clock::now() + kRearmPause;
        view_->opening(index);
        return;
    }
    // No radio came: the port did not open, or the shift ended while it was armed.
    if (ending_ || report.outcome == RunOutcome::Cancelled) {
        view_->closed(index);
        return;
    }
    station.retryAt = Clock::now() + kStationRetry;
    station.unavailable = station.host->unavailable();
    view_->retrying(index, station.unavailable + ", trying again every " +
                               std::to_string(kStationRetry.count()) + " s");
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
        view_->note("[" + station.port + "] warning: the flash record was not kept: " + *error + "\n");
    } else if (recordPath_ && recordKept_) {
        recordKept_();
    }
    char text[160];
    std::snprintf(text, sizeof text, "%s %s %.1f s", station.unit.empty() ? "-" : station.unit.c_str(),
                  NotReleased(report.fault) ? "not released" : OutcomeName(report.outcome),
                  std::chrono::duration<double>(now - station.scanned).count());
    station.last = {{"unit", station.unit.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(station.unit)},
                    {"shift", station.shift},
                    {"outcome", OutcomeName(report.outcome)},
                    {"exit_status", ExitCodeFor(report.outcome, report.fault)}};
    view_->radioEnded(index, text, succeeded, station.record->record());
}

// No new radio starts; the radios under way finish.
void Shift::end(const std::string& why)
{
    if (ending_)
        return;
    ending_ = true;
    view_->note("Ending the shift (" + why + "): the radios under way finish" +
                (why == "Ctrl-C or SIGTERM" ? "; another stops them.\n" : ".\n"));
    for (std::size_t i = 0; i < stations_.size(); ++i) {
        Station& station = stations_[i];
        station.retryAt.reset();
        if (station.running && !station.host->scanned())
            station.runner->cancel();
        else if (!station.running)
            view_->closed(i);
    }
}

void Shift::stopRadios()
{
    if (stopping_)
        return;
    stopping_ = true;
    view_->note("Stopping the radios under way...\n");
    for (Station& station : stations_)
        station.runner->cancel();
}

int Shift::finish()
{
    for (Station& station : stations_)
        station.runner->wait();
    takeInbox();
    show();
    view_->finish();
    const Clock::time_point now = Clock::now();
    std::fprintf(people_, "\nShift %s ended after %.0f s\n", id_.c_str(),
                 std::chrono::duration<double>(now - started_).count());
    PrintShiftSummary(people_, tally_, ports_, now);
    int exitCode = tally_.exitCode();
    if (exitCode == 0 && !recordErrors_.empty() && !options_.recordFile.empty())
        exitCode = kExitRecord;
    nlohmann::ordered_json summary = {{"schema", kShiftSummarySchema}, {"shift", id_}};
    summary["started"] = os::UtcText(began_);
    summary["ended"] = os::UtcText(std::chrono::system_clock::now());
    summary["host"] = stations_[0].origin.host;
    summary["user"] = stations_[0].origin.user;
    summary["version"] = stations_[0].origin.version;
    summary["config_file"] = input_.config.config.configFile;
    summary["config_sha256"] = input_.config.config.configSha256;
    const nlohmann::ordered_json figures = ShiftFigures(tally_, ports_, now);
    for (auto field = figures.begin(); field != figures.end(); ++field)
        summary[field.key()] = field.value();
    summary["exit_code"] = exitCode;
    if (events_)
        events_->publish("shift-summary", {{"summary", summary}});
    keepSummary(summary);
    return exitCode;
}

void Shift::keepSummary(const nlohmann::ordered_json& summary) const
{
    if (!recordPath_)
        return;
    const std::string path = ShiftsFileFor(*recordPath_);
    if (const std::optional<std::string> error = AppendFlashRecord(path, JsonLine(summary)))
        std::fprintf(stderr, "zorvane-flash: warning: the shift summary was not kept in %s: %s\n",
                     files::ShownText(path).c_str(), files::ShownText(*error).c_str());
    else
        std::fprintf(people_, "Shift summary kept in %s\n", files::ShownText(path).c_str());
}

} // namespace zorvane::cli

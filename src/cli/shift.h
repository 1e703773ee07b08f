// A shift of stations, on the flasher's main thread: it arms each station,
// starts the radio scanned (or commanded) onto the next one, counts what
// ends, and ends when asked. What it shows goes through a StationView.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/controller_commands.h"
#include "cli/json_events.h"
#include "cli/shift_tally.h"
#include "cli/station_host.h"
#include "cli/station_view.h"
#include "engine/flash_runner.h"
#include "link/clock.h"
#include "os/signal_wait.h"
#include "prepare/run_preparation.h"
#include "prepare/unit_labels.h"

namespace zorvane::cli {

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
    std::string shift;                 // its run's shift and number
    ShiftClock::time_point scanned;
    std::optional<ShiftClock::time_point> retryAt;
    std::string unavailable;           // why its port did not open, until a radio starts on it
    nlohmann::ordered_json last;       // how its last radio ended; null before the first
};

// Why a radio cannot start, as a controller acts on it and in words.
struct StartRefused {
    std::string reason;
    std::string text;
};

class Shift {
public:
    Shift(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
          std::vector<DatabasePlace> owedTo, os::SignalWait& signalWait, std::function<void()> recordKept);
    int run();

private:
    // The shift's course (shift.cpp).
    void header() const;
    void arm(std::size_t index);
    void cycle();
    void takeInbox();
    void runEnded(std::size_t index, const RunReport& report);
    void radioEnded(std::size_t index, const RunReport& report);
    void end(const std::string& why);
    void stopRadios();
    void show();
    std::optional<ShiftClock::time_point> nextWake(std::optional<ShiftClock::time_point> board) const;
    bool anyRunning() const;
    std::vector<bool> armedStations();
    int finish();
    void keepSummary(const nlohmann::ordered_json& summary) const;

    // What the operator or the controller asks (shift_input.cpp).
    void takeLine(const std::optional<std::string>& line);
    void takeCommand(const std::optional<std::string>& line);
    void command(const ControllerCommand& command);
    std::optional<StartRefused> carryOut(const ControllerCommand& command, nlohmann::ordered_json& answer);
    std::optional<StartRefused> startRadio(std::optional<std::size_t> station, const std::string& label);
    std::optional<StartRefused> notArmed(std::size_t station);
    std::optional<StartRefused> choose(std::size_t station);
    std::optional<std::size_t> nextStation();
    bool radioUnderWay() const;
    void start(std::size_t index, const std::string& label);
    nlohmann::ordered_json status();

    const CliOptions& options_;
    const prepare::CheckedInput& input_;
    os::SignalWait& signalWait_;
    const std::function<void()> recordKept_;
    const std::optional<std::string> recordPath_;
    const std::vector<DatabasePlace> owedTo_;   // the records databases each record goes to
    const std::string id_;
    const std::chrono::system_clock::time_point began_;
    const ShiftClock::time_point started_;
    std::FILE* const people_;          // where words for people go
    const bool terminal_;              // standard output is a terminal: the live block, redrawn
    link::SteadyClock clock_;
    std::vector<std::string> ports_;
    std::unique_ptr<JsonEvents> events_;   // a controller's stream; none at a terminal
    std::unique_ptr<StationView> view_;
    std::vector<Station> stations_;
    prepare::LabelBook labels_;
    ShiftTally tally_;
    struct {
        std::mutex mutex;
        std::vector<std::pair<std::size_t, RunReport>> ended;
        std::vector<std::optional<std::string>> lines;   // none: the end of input
    } inbox_;
    std::size_t runsStarted_ = 0;
    std::optional<std::size_t> lastUsed_;
    std::optional<std::size_t> next_;   // the station marked next
    bool ending_ = false;
    bool stopping_ = false;
    std::vector<std::string> recordErrors_;
};

} // namespace zorvane::cli

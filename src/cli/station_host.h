// One station of a shift: the run's host, which arms at the reset question
// and waits there until the operator's scan (or the controller's start)
// sends it on, and shows only what its radio's run does; and the record of
// the radio it runs, kept only once a radio was started on it.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/port_record.h"
#include "cli/station_view.h"
#include "engine/run_host.h"

namespace zorvane::cli {

class StationHost final : public RunHost {
public:
    // armed: called on the run's thread when the station reaches the reset question.
    StationHost(std::size_t index, StationView& view, const CliOptions& options, std::function<void()> armed);

    // Before each run on the station.
    void begin();
    // The operator's scan: sends the armed run on; false when the station is not armed.
    bool go();
    bool armed();
    // Whether this run was sent on by a scan: only then a radio was there.
    bool scanned();

    void stageStarted(RunStage stage) override;
    void progress(const RunProgress& progress) override;
    void statusChanged(const std::string&) override {}
    void resultsCleared() override {}
    void resultReady(ResultBox, const std::string&) override {}
    Answer confirmReset(const Message& prompt, std::stop_token stop) override;
    Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) override;
    void showFailure(const RunFailure& failure, std::stop_token stop) override;
    void showSuccess(const Message& message, std::stop_token stop) override;

    // Why the port could not be opened, when the last run ended so.
    std::string unavailable();

private:
    const std::size_t index_;
    StationView& view_;
    const CliOptions& options_;
    const std::function<void()> armedHook_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    bool armed_ = false;
    bool go_ = false;
    bool scanned_ = false;
    std::string unavailable_;    // the last reason shown for a port that did not open
    std::string shownReason_;
};

// The record of one run on a station: named when its radio is scanned, and
// not kept when none was (the shift ended, or the port did not open, before
// a radio came).
class StationRecord final : public RunRecorder {
public:
    StationRecord(std::string device, std::optional<std::string> path, RecordOrigin origin,
                  std::vector<DatabasePlace> owedTo);

    // Before the run is sent on.
    void name(std::optional<std::string> unit, const std::string& shift);
    void outcomeDecided(const RunRequest& request, const RunReport& report) override;
    // What went wrong keeping the record, if anything (once the run has ended).
    std::optional<std::string> error() const;
    // The device opened, links resolved, once named.
    std::string device() const;
    // The record as written (null when no radio was started).
    nlohmann::ordered_json record() const;

private:
    std::string device_;
    std::optional<std::string> path_;
    std::vector<DatabasePlace> owedTo_;
    RecordOrigin origin_;
    std::unique_ptr<PortRecord> record_;
};

} // namespace zorvane::cli

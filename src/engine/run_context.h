// A run's working set: its request, the radio link, the host it reports to
// and the report it fills in.
#pragma once

#include <optional>
#include <string>

#include "engine/run_host.h"
#include "engine/run_recorder.h"
#include "engine/run_types.h"
#include "link/radio_link.h"

namespace zorvane {

// The one way a failed run's ending is kept: the outcome, message, fault and
// its cause (the front end's words for a port that did not open, else the
// run's) go into the report; returns the failure to show.
RunFailure SettleFailure(const RunRequest& request, RunReport& report, RunOutcome outcome, Message message,
                         RunFault fault);

class RunContext {
public:
    RunContext(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
               std::stop_token stop, RunRecorder* recorder = nullptr);

    // The platform of a request that has one; the run checks that first.
    const files::PlatformConfig& config() const { return *request.platform; }
    // The images read at the start of the run; there are none before.
    const RunImages& images() const;

    // Tells the host, and starts timing the stage; the previous one ends here.
    void enterStage(RunStage stage);
    // Ends the timing of the last stage.
    void endStages();

    // The run's outcome is settled: it goes into the report and to the
    // recorder. A stop that comes later changes neither.
    void decide(RunOutcome outcome);
    // Decides a failure, its fault kept as it happened, and shows it; when
    // the run is being stopped, throws link::RunCancelled before deciding anything.
    void fail(RunOutcome outcome, Message message, RunFault fault);
    // Decides a failure where a stop cannot be thrown (before the run has
    // started, or in its last handler): shown unless the run is being stopped.
    void failQuietlyWhenStopping(RunOutcome outcome, Message message, RunFault fault);
    // The operator stopped the run: decided as such, nothing shown.
    void stopped();
    // Decides success and shows "Programming Successful!".
    void succeed();
    Answer confirmReset();
    Answer askOnLineError(LineErrorQuestion question);

    const RunRequest& request;
    link::RadioLink link;
    RunHost& host;
    RunReport report;

private:
    RunRecorder* recorder_;
    bool decided_ = false;
    std::optional<RunStage> stage_;
    link::Clock::time_point stageStart_{};
};

} // namespace zorvane

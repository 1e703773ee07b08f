// A run's working set: its request, the radio link, the host it reports to
// and the report it fills in.
#pragma once

#include <optional>
#include <string>

#include "engine/run_host.h"
#include "engine/run_types.h"
#include "link/radio_link.h"

namespace zorvane {

class RunContext {
public:
    RunContext(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
               std::stop_token stop);

    // The platform of a request that has one; the run checks that first.
    const files::PlatformConfig& config() const { return *request.platform; }

    // Tells the host, and starts timing the stage; the previous one ends here.
    void enterStage(RunStage stage);
    // Ends the timing of the last stage.
    void endStages();

    // Shows a failure unless the run is being stopped, and keeps it for the
    // report. Throws link::RunCancelled when a stop comes meanwhile.
    void fail(RunOutcome outcome, Message message, std::string cause);
    void succeed();
    Answer confirmReset();
    Answer askOnLineError(LineErrorQuestion question);

    const RunRequest& request;
    link::RadioLink link;
    RunHost& host;
    RunReport report;

private:
    std::optional<RunStage> stage_;
    link::Clock::time_point stageStart_{};
};

} // namespace zorvane

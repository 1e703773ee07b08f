// What a flash run tells its front end, and the two questions it asks. The
// window, the command-line flasher and the tests each provide one. Calls
// come from the run's worker thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "engine/run_types.h"

namespace zorvane {

// The operator's answer to a question of the run.
enum class Answer { GoOn, Stop };

struct RunProgress {
    RunStage stage;
    std::uint16_t address = 0;     // the block last sent
    std::size_t bytesDone = 0;     // data bytes acknowledged so far in this stage
    std::size_t bytesTotal = 0;    // data bytes of the image
    double percent = 0;            // what the progress bar shows
};

struct RunFailure {
    RunOutcome outcome;
    Message message;
    std::string cause;   // in words, for logs and the flasher's output
    std::optional<RunFault> fault{};   // what went wrong, as it happened, where there is such a fault
};

struct LineErrorQuestion {
    RunStage stage;
    std::uint16_t address;   // the block that got no valid acknowledgement
    Message message;
    std::string cause;
    std::optional<RunFault> fault{};   // the block's fault
};

class RunHost {
public:
    virtual ~RunHost() = default;

    // Displays: each returns at once.
    // The run has read its images (none: it could not, and fails next).
    virtual void runStarted(const RunImages* /*images*/) {}
    virtual void stageStarted(RunStage stage) = 0;
    virtual void progress(const RunProgress& progress) = 0;
    virtual void statusChanged(const std::string& text) = 0;   // the status panel
    virtual void resultsCleared() = 0;
    virtual void resultReady(ResultBox box, const std::string& text) = 0;

    // Questions: return the operator's answer, or Stop as soon as stop is
    // requested or when nobody can answer.
    virtual Answer confirmReset(const Message& prompt, std::stop_token stop) = 0;
    virtual Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) = 0;

    // Endings: return once the operator has seen them, or at once when stop
    // is requested.
    virtual void showFailure(const RunFailure& failure, std::stop_token stop) = 0;
    virtual void showSuccess(const Message& message, std::stop_token stop) = 0;
};

} // namespace zorvane

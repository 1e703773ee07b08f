// zorvane-flash --json: what each radio is doing, as one JSON object per
// line on standard output, for a production line's controller. Every event
// carries "schema", "event" and "t" (seconds since the command started, on
// a monotonic clock); docs/json-events.md describes them.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/port_record.h"
#include "engine/run_host.h"

namespace zorvane::cli {

// Schema 2 added the fault of a failure's message, and the unit and fault of
// each summary result.
constexpr int kJsonEventsSchema = 2;

class JsonEvents {
public:
    // start: when the command started, where the events' time counts from.
    explicit JsonEvents(std::FILE* out = stdout,
                        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now());
    // One line: {"schema":1,"event":NAME,"t":..., then the fields, an object's
    // in their order}.
    void publish(const char* name, const nlohmann::ordered_json& fields);

private:
    std::FILE* const out_;
    const std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
};

// One port's run as events.
class JsonHost final : public RunHost {
public:
    JsonHost(std::string port, const PortRecord& record, JsonEvents& events, const CliOptions& options);

    void runStarted(const RunImages* images) override;
    void stageStarted(RunStage stage) override;
    void progress(const RunProgress& progress) override;
    void statusChanged(const std::string&) override {}
    void resultsCleared() override {}
    void resultReady(ResultBox, const std::string&) override {}
    Answer confirmReset(const Message& prompt, std::stop_token stop) override;
    Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) override;
    void showFailure(const RunFailure& failure, std::stop_token stop) override;
    void showSuccess(const Message& message, std::stop_token stop) override;

    // The run has ended: its flash record, as written.
    void runEnded();

private:
    void publish(const char* name, const nlohmann::ordered_json& fields);
    void message(const Message& shown, const std::string& cause, const std::optional<RunFault>& fault);
    Answer answered(const char* kind, const Message& asked, const std::string& cause, Answer answer);

    const std::string port_;
    const PortRecord& record_;
    JsonEvents& events_;
    const CliOptions& options_;
    std::chrono::steady_clock::time_point lastProgress_{};
};

} // namespace zorvane::cli

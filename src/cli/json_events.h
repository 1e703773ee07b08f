// zorvane-flash --json: what each radio is doing, as one JSON object per
// line on standard output, for a production line's controller. Every event
// carries "schema", "event" and "t" (seconds since the command started, on
// a monotonic clock); docs/json-events.md describes them.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
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
    // Whether a line could not be written: the reader has gone.
    bool readerGone();
    // Called (once, from the thread that wrote) when the reader goes.
    void onReaderGone(std::function<void()> gone);

private:
    std::FILE* const out_;
    const std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    bool gone_ = false;
    std::function<void()> goneHook_;
};

// The fields of a run's events, the same in a batch's stream and a shift's.
nlohmann::ordered_json ImagesFields(const RunImages* images);
nlohmann::ordered_json MessageFields(const Message& shown, const std::string& cause,
                                     const std::optional<RunFault>& fault);
// A question of the run ("reset", "line-error") and how it was answered.
nlohmann::ordered_json QuestionFields(const char* kind, const Message& asked, const std::string& cause);
nlohmann::ordered_json AnswerFields(const char* kind, Answer answer);
// A progress event's fields when one is due (none: too soon after the last,
// or nothing counted): two a second per radio at most, and each stage's last.
std::optional<nlohmann::ordered_json> DueProgress(const RunProgress& progress,
                                                  std::chrono::steady_clock::time_point& last);

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

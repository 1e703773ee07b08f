#include "cli/json_events.h"

#include "cli/line_error_policy.h"
#include "cli/run_text.h"
#include "engine/run_images.h"
#include "files/hex_text.h"
#include "records/fault_json.h"
#include "records/json_line.h"

namespace zorvane::cli {

namespace {

using Json = nlohmann::ordered_json;

// A controller needs no more than two progress events a second per radio.
constexpr auto kProgressInterval = std::chrono::milliseconds(500);

Json imageJson(const files::FileContent& file)
{
    return Json::object({{"file", file.fileName}, {"sha256", file.sha256}});
}

} // namespace

JsonEvents::JsonEvents(std::FILE* out, std::chrono::steady_clock::time_point start) : out_(out), start_(start)
{
}

void JsonEvents::publish(const char* name, const Json& fields)
{
    // The time is read under the lock, so that the lines' times never go back.
    std::lock_guard lock(mutex_);
    const double t = JsonSeconds(std::chrono::steady_clock::now() - start_);
    Json event = Json::object({{"schema", kJsonEventsSchema}, {"event", name}, {"t", t}});
    event.update(fields);
    const std::string line = JsonLine(event) + "\n";
    const bool written = std::fputs(line.c_str(), out_) >= 0 && std::fflush(out_) == 0;
    if (!written && !gone_) {
        gone_ = true;
        if (goneHook_)
            goneHook_();
    }
}

bool JsonEvents::readerGone()
{
    std::lock_guard lock(mutex_);
    return gone_;
}

void JsonEvents::onReaderGone(std::function<void()> gone)
{
    std::lock_guard lock(mutex_);
    goneHook_ = std::move(gone);
}

Json ImagesFields(const RunImages* images)
{
    if (images == nullptr)
        return nullptr;
    return Json::object({{"boot", imageJson(images->boot.file)},
                         {"eeprom", images->eeprom ? imageJson(images->eeprom->file) : Json()},
                         {"firmware", imageJson(images->firmware.file)}});
}

Json MessageFields(const Message& shown, const std::string& cause, const std::optional<RunFault>& fault)
{
    return Json::object(
        {{"title", shown.title}, {"text", AsLines(shown.text)}, {"cause", cause}, {"fault", FaultJson(fault)}});
}

Json QuestionFields(const char* kind, const Message& asked, const std::string& cause)
{
    return Json::object({{"kind", kind}, {"text", AsLines(asked.text)}, {"cause", cause}});
}

Json AnswerFields(const char* kind, Answer answer)
{
    return Json::object({{"kind", kind}, {"answer", answer == Answer::GoOn ? "go-on" : "stop"}});
}

std::optional<Json> DueProgress(const RunProgress& progress, std::chrono::steady_clock::time_point& last)
{
    const auto now = std::chrono::steady_clock::now();
    const bool stageDone = progress.bytesTotal > 0 && progress.bytesDone == progress.bytesTotal;
    if (progress.bytesTotal == 0 || (!stageDone && now - last < kProgressInterval))
        return std::nullopt;
    last = now;
    return Json::object({{"stage", StageId(progress.stage)},
                         {"address", files::HexDigits(progress.address, 4)},
                         {"bytes_done", progress.bytesDone},
                         {"bytes_total", progress.bytesTotal}});
}

JsonHost::JsonHost(std::string port, const PortRecord& record, JsonEvents& events, const CliOptions& options)
    : port_(std::move(port)), record_(record), events_(events), options_(options)
{
}

void JsonHost::publish(const char* name, const Json& fields)
{
    Json event = Json::object({{"port", port_}});
    event.update(fields);
    events_.publish(name, event);
}

void JsonHost::runStarted(const RunImages* images)
{
    publish("run-started", Json::object({{"device", record_.device()},
                                         {"unit", record_.unit() ? Json(*record_.unit()) : Json()},
                                         {"images", ImagesFields(images)}}));
}

void JsonHost::stageStarted(RunStage stage)
{
    publish("stage", Json::object({{"stage", StageId(stage)}}));
}

void JsonHost::progress(const RunProgress& progress)
{
    if (const std::optional<Json> due = DueProgress(progress, lastProgress_))
        publish("progress", *due);
}

Answer JsonHost::answered(const char* kind, const Message& asked, const std::string& cause, Answer answer)
{
    publish("question", QuestionFields(kind, asked, cause));
    publish("answer", AnswerFields(kind, answer));
    return answer;
}

Answer JsonHost::confirmReset(const Message& prompt, std::stop_token)
{
    // --json takes --yes: a controller has no terminal to answer on.
    return answered("reset", prompt, {}, Answer::GoOn);
}

Answer JsonHost::askOnLineError(const LineErrorQuestion& question, std::stop_token)
{
    message(question.message, question.cause, question.fault);
    // The event stream has no terminal to ask on; its answer event says what was decided.
    const Answer answer = DecideLineError(options_.lineErrorAnswer(), false).answer.value_or(Answer::Stop);
    return answered("line-error", question.message, question.cause, answer);
}

void JsonHost::message(const Message& shown, const std::string& cause, const std::optional<RunFault>& fault)
{
    publish("message", MessageFields(shown, cause, fault));
}

void JsonHost::showFailure(const RunFailure& failure, std::stop_token)
{
    message(failure.message, failure.cause, failure.fault);
}

void JsonHost::showSuccess(const Message& shown, std::stop_token)
{
    message(shown, {}, std::nullopt);
}

void JsonHost::runEnded()
{
    publish("run-ended", Json::object({{"record", record_.record()}}));
}

} // namespace zorvane::cli

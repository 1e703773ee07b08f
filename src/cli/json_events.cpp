#include "cli/json_events.h"

#include "cli/line_error_policy.h"

#include "cli/run_text.h"
#include "files/hex_text.h"
#include "engine/run_images.h"
#include "records/flash_record.h"

namespace zorvane::cli {

namespace {

// A controller needs no more than two progress events a second per radio.
constexpr auto kProgressInterval = std::chrono::milliseconds(500);

std::string imageJson(const files::FileContent& file)
{
    return "{\"file\":" + JsonString(file.fileName) + ",\"sha256\":" + JsonString(file.sha256) + "}";
}

std::string hex4(std::uint16_t value)
{
    return files::HexDigits(value, 4);
}

} // namespace

std::string JsonField(const char* name, const std::string& json)
{
    return std::string(",\"") + name + "\":" + json;
}

std::string JsonTextField(const char* name, const std::string& value)
{
    return JsonField(name, JsonString(value));
}

std::string JsonObject(const std::string& fields)
{
    return "{" + (fields.empty() ? fields : fields.substr(1)) + "}";
}

JsonEvents::JsonEvents(std::FILE* out, std::chrono::steady_clock::time_point start) : out_(out), start_(start)
{
}

void JsonEvents::publish(const char* name, const std::string& fields)
{
    // The time is read under the lock, so that the lines' times never go back.
    std::lock_guard lock(mutex_);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", t);
    const std::string line = "{\"schema\":" + std::to_string(kJsonEventsSchema) + ",\"event\":\"" + name +
                             "\",\"t\":" + time + fields + "}\n";
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

JsonHost::JsonHost(std::string port, const PortRecord& record, JsonEvents& events, const CliOptions& options)
    : port_(std::move(port)), record_(record), events_(events), options_(options)
{
}

void JsonHost::publish(const char* name, const std::string& fields)
{
    events_.publish(name, JsonTextField("port", port_) + fields);
}

void JsonHost::runStarted(const RunImages* images)
{
    std::string imageFields = "null";
    if (images != nullptr)
        imageFields = "{\"boot\":" + imageJson(images->boot.file) +
                      ",\"eeprom\":" + (images->eeprom ? imageJson(images->eeprom->file) : "null") +
                      ",\"firmware\":" + imageJson(images->firmware.file) + "}";
    publish("run-started", JsonField("device", JsonString(record_.device())) +
                            JsonField("unit", record_.unit() ? JsonString(*record_.unit()) : "null") +
                            JsonField("images", imageFields));
}

void JsonHost::stageStarted(RunStage stage)
{
    publish("stage", JsonTextField("stage", StageId(stage)));
}

void JsonHost::progress(const RunProgress& progress)
{
    const auto now = std::chrono::steady_clock::now();
    const bool last = progress.bytesTotal > 0 && progress.bytesDone == progress.bytesTotal;
    if (progress.bytesTotal == 0 || (!last && now - lastProgress_ < kProgressInterval))
        return;
    lastProgress_ = now;
    publish("progress", JsonTextField("stage", StageId(progress.stage)) +
                            JsonTextField("address", hex4(progress.address)) +
                            JsonField("bytes_done", std::to_string(progress.bytesDone)) +
                            JsonField("bytes_total", std::to_string(progress.bytesTotal)));
}

Answer JsonHost::answered(const char* kind, const Message& asked, const std::string& cause, Answer answer)
{
    publish("question",
            JsonTextField("kind", kind) + JsonTextField("text", AsLines(asked.text)) + JsonTextField("cause", cause));
    publish("answer", JsonTextField("kind", kind) + JsonTextField("answer", answer == Answer::GoOn ? "go-on" : "stop"));
    return answer;
}

Answer JsonHost::confirmReset(const Message& prompt, std::stop_token)
{
    // --json takes --yes: a controller has no terminal to answer on.
    return answered("reset", prompt, {}, Answer::GoOn);
}

Answer JsonHost::askOnLineError(const LineErrorQuestion& question, std::stop_token)
{
    message(question.message, question.cause);
    // The event stream has no terminal to ask on; its answer event says what was decided.
    const Answer answer = DecideLineError(options_.lineErrorAnswer(), false).answer.value_or(Answer::Stop);
    return answered("line-error", question.message, question.cause, answer);
}

void JsonHost::message(const Message& shown, const std::string& cause)
{
    publish("message", JsonTextField("title", shown.title) + JsonTextField("text", AsLines(shown.text)) +
                           JsonTextField("cause", cause));
}

void JsonHost::showFailure(const RunFailure& failure, std::stop_token)
{
    message(failure.message, failure.cause);
}

void JsonHost::showSuccess(const Message& shown, std::stop_token)
{
    message(shown, {});
}

void JsonHost::runEnded()
{
    publish("run-ended", JsonField("record", record_.line().empty() ? "null" : record_.line()));
}

} // namespace zorvane::cli

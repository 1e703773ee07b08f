#include "cli/station_view.h"

#include "cli/run_text.h"
#include "files/shown_text.h"
#include "records/fault_json.h"

namespace zorvane::cli {

namespace {

using Json = nlohmann::ordered_json;

} // namespace

BoardView::BoardView(std::vector<std::string> ports, BoardStyle style, std::function<os::TerminalSize()> size,
                     std::function<void()> changed)
    : board_(std::move(ports), style, stdout, std::move(size), std::move(changed))
{
}

void BoardView::shown(std::size_t station, const Message& message, const std::string& cause,
                      const std::optional<RunFault>&)
{
    board_.message(station, BoxText(message.title, message.text) + CauseLine(message, cause));
}

void BoardView::unavailable(std::size_t station, const RunFailure& failure)
{
    shown(station, failure.message, failure.cause, failure.fault);
}

void BoardView::retrying(std::size_t station, const std::string& why)
{
    board_.state(station, StationState::Unavailable, why);
}

EventView::EventView(std::vector<std::string> ports, JsonEvents& events)
    : ports_(std::move(ports)), events_(events), shifts_(ports_.size()), lastProgress_(ports_.size())
{
}

void EventView::publish(std::size_t station, const char* name, const Json& fields)
{
    Json event = Json::object({{"port", ports_[station]}, {"station", ports_[station]}});
    {
        std::lock_guard lock(mutex_);
        event["shift"] = shifts_[station];
    }
    event.update(fields);
    events_.publish(name, event);
}

void EventView::stageStarted(std::size_t station, RunStage stage)
{
    publish(station, "stage", Json::object({{"stage", StageId(stage)}}));
}

void EventView::progress(std::size_t station, const RunProgress& progress)
{
    std::optional<Json> due;
    {
        std::lock_guard lock(mutex_);
        due = DueProgress(progress, lastProgress_[station]);
    }
    if (due)
        publish(station, "progress", *due);
}

void EventView::shown(std::size_t station, const Message& message, const std::string& cause,
                      const std::optional<RunFault>& fault)
{
    publish(station, "message", MessageFields(message, cause, fault));
}

void EventView::lineErrorAnswered(std::size_t station, const LineErrorQuestion& question, Answer answer,
                                  const std::string&)
{
    publish(station, "question", QuestionFields("line-error", question.message, question.cause));
    publish(station, "answer", AnswerFields("line-error", answer));
}

void EventView::armed(std::size_t station)
{
    events_.publish("armed", Json::object({{"station", ports_[station]}}));
}

void EventView::unavailable(std::size_t station, const RunFailure& failure)
{
    events_.publish("station-failed",
                    Json::object({{"station", ports_[station]},
                                  {"title", failure.message.title},
                                  {"text", AsLines(failure.message.text)},
                                  {"cause", failure.cause},
                                  {"fault", FaultJson(failure.fault)}}));
}

void EventView::running(std::size_t station, const std::string& unit, const std::string& shift,
                        const std::string& device, const RunImages* images)
{
    {
        std::lock_guard lock(mutex_);
        shifts_[station] = shift;
        lastProgress_[station] = {};
    }
    publish(station, "run-started", Json::object({{"device", device},
                                                   {"unit", unit.empty() ? Json() : Json(unit)},
                                                   {"images", ImagesFields(images)}}));
}

void EventView::radioEnded(std::size_t station, const std::string&, bool, const Json& record)
{
    publish(station, "run-ended", Json::object({{"record", record}}));
}

void EventView::note(const std::string& text)
{
    std::fputs(files::ShownLines(text).c_str(), stderr);
    std::fflush(stderr);
}

} // namespace zorvane::cli

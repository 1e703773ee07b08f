// What a shift shows of its stations: the operator's board on a terminal,
// or a line controller's events. A station's run calls the first group from
// its own thread; the shift's thread calls the rest.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/json_events.h"
#include "cli/station_board.h"
#include "engine/run_host.h"

namespace zorvane::cli {

class StationView {
public:
    virtual ~StationView() = default;

    // A station's run, once its radio has started.
    virtual void stageStarted(std::size_t station, RunStage stage) = 0;
    virtual void progress(std::size_t station, const RunProgress& progress) = 0;
    virtual void shown(std::size_t station, const Message& message, const std::string& cause,
                       const std::optional<RunFault>& fault) = 0;
    virtual void lineErrorAnswered(std::size_t station, const LineErrorQuestion& question, Answer answer,
                                   const std::string& said) = 0;
    // A station's run before a radio came: it waits at the reset question,
    // or its port failed (each reason once).
    virtual void armed(std::size_t station) = 0;
    virtual void unavailable(std::size_t station, const RunFailure& failure) = 0;

    // The shift's thread.
    virtual void opening(std::size_t station) = 0;
    virtual void retrying(std::size_t station, const std::string& why) = 0;
    virtual void running(std::size_t station, const std::string& unit, const std::string& shift,
                         const std::string& device, const RunImages* images) = 0;
    // text: the unit, outcome and time, for people; record: the run's flash record.
    virtual void radioEnded(std::size_t station, const std::string& text, bool succeeded,
                            const nlohmann::ordered_json& record) = 0;
    virtual void closed(std::size_t station) = 0;
    virtual void flagged(std::size_t station, const std::string& text) = 0;
    virtual void next(std::optional<std::size_t> station) = 0;
    virtual void counts(const std::string& text) = 0;
    virtual void typing(const std::string& text) = 0;
    // Words for people (the terminal, or standard error beside the events).
    virtual void note(const std::string& text) = 0;
    virtual std::optional<std::chrono::steady_clock::time_point> wake(bool resized) = 0;
    virtual void finish() = 0;
};

// The operator's terminal.
class BoardView final : public StationView {
public:
    BoardView(std::vector<std::string> ports, BoardStyle style, std::function<os::TerminalSize()> size,
              std::function<void()> changed);

    void stageStarted(std::size_t station, RunStage stage) override { board_.stageStarted(station, stage); }
    void progress(std::size_t station, const RunProgress& progress) override { board_.progress(station, progress); }
    void shown(std::size_t station, const Message& message, const std::string& cause,
               const std::optional<RunFault>& fault) override;
    void lineErrorAnswered(std::size_t station, const LineErrorQuestion&, Answer, const std::string& said) override
    {
        board_.message(station, said);
    }
    void armed(std::size_t station) override { board_.state(station, StationState::Armed); }
    void unavailable(std::size_t station, const RunFailure& failure) override;
    void opening(std::size_t station) override { board_.state(station, StationState::Opening); }
    void retrying(std::size_t station, const std::string& why) override;
    void running(std::size_t station, const std::string& unit, const std::string&, const std::string&,
                 const RunImages*) override
    {
        board_.state(station, StationState::Running, unit);
    }
    void radioEnded(std::size_t station, const std::string& text, bool succeeded,
                    const nlohmann::ordered_json&) override
    {
        board_.ended(station, text, succeeded);
    }
    void closed(std::size_t station) override { board_.state(station, StationState::Closed); }
    void flagged(std::size_t station, const std::string& text) override { board_.flag(station, text); }
    void next(std::optional<std::size_t> station) override { board_.next(station); }
    void counts(const std::string& text) override { board_.counts(text); }
    void typing(const std::string& text) override { board_.typing(text); }
    void note(const std::string& text) override { board_.note(text); }
    std::optional<std::chrono::steady_clock::time_point> wake(bool resized) override { return board_.wake(resized); }
    void finish() override { board_.finish(); }

private:
    StationBoard board_;
};

// A line controller's event stream: every per-run event carries its station
// and its shift (the shift's id and the run's number).
class EventView final : public StationView {
public:
    EventView(std::vector<std::string> ports, JsonEvents& events);

    void stageStarted(std::size_t station, RunStage stage) override;
    void progress(std::size_t station, const RunProgress& progress) override;
    void shown(std::size_t station, const Message& message, const std::string& cause,
               const std::optional<RunFault>& fault) override;
    void lineErrorAnswered(std::size_t station, const LineErrorQuestion& question, Answer answer,
                           const std::string& said) override;
    void armed(std::size_t station) override;
    void unavailable(std::size_t station, const RunFailure& failure) override;
    void opening(std::size_t) override {}
    void retrying(std::size_t, const std::string&) override {}
    void running(std::size_t station, const std::string& unit, const std::string& shift, const std::string& device,
                 const RunImages* images) override;
    void radioEnded(std::size_t station, const std::string& text, bool succeeded,
                    const nlohmann::ordered_json& record) override;
    void closed(std::size_t) override {}
    void flagged(std::size_t, const std::string&) override {}
    void next(std::optional<std::size_t>) override {}
    void counts(const std::string&) override {}
    void typing(const std::string&) override {}
    void note(const std::string& text) override;
    std::optional<std::chrono::steady_clock::time_point> wake(bool) override { return std::nullopt; }
    void finish() override {}

private:
    void publish(std::size_t station, const char* name, const nlohmann::ordered_json& fields);

    const std::vector<std::string> ports_;
    JsonEvents& events_;
    std::mutex mutex_;
    std::vector<std::string> shifts_;   // each station's run now: the shift and its number
    std::vector<std::chrono::steady_clock::time_point> lastProgress_;
};

} // namespace zorvane::cli

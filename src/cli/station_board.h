// The screen of a shift: messages scroll above a live block that has the
// shift's counts, a line per station (its state, the unit on it, the stage
// and percent of its run, its last result) with the next station marked,
// and the line being typed. Without a terminal, plain lines that begin with
// the port. Every call is safe from any thread.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/live_block.h"
#include "engine/run_host.h"

namespace zorvane::cli {

enum class StationState { Opening, Armed, Running, Unavailable, Closed };

class StationBoard {
public:
    StationBoard(std::vector<std::string> ports, BoardStyle style, std::FILE* out = stdout,
                 std::function<os::TerminalSize()> size = {}, std::function<void()> changed = {});

    // detail: why a station is unavailable, or its unit while running.
    void state(std::size_t index, StationState state, const std::string& detail = {});
    void stageStarted(std::size_t index, RunStage stage);
    void progress(std::size_t index, const RunProgress& progress);
    // How the station's last radio ended, kept on its line.
    void ended(std::size_t index, const std::string& text, bool succeeded);
    // A word on the station's line until its next radio (a label to scan again).
    void flag(std::size_t index, const std::string& text);
    void next(std::optional<std::size_t> index);
    void counts(const std::string& text);
    // What the operator has typed so far, drawn at the bottom.
    void typing(const std::string& text);
    // A message of one station, or of the shift, scrolled above the block.
    void message(std::size_t index, const std::string& text);
    void note(const std::string& text);
    std::optional<std::chrono::steady_clock::time_point> wake(bool resized);
    // Draws the block a last time, without the typed line.
    void finish();

private:
    struct Line {
        StationState state = StationState::Opening;
        std::string detail;
        std::string stage;
        double percent = 0;
        bool progressing = false;
        std::string last;
        bool lastFailed = false;
        std::string flag;
        std::string said;   // the state last written as a plain line
    };
    std::vector<std::string> block(os::TerminalSize size) const;
    std::string describe(std::size_t index) const;
    void plain(std::size_t index, const std::string& text);

    const std::vector<std::string> ports_;
    const BoardStyle style_;
    std::mutex mutex_;
    std::vector<Line> lines_;
    std::optional<std::size_t> next_;
    std::string counts_;
    std::string typed_;
    bool finished_ = false;   // the shift has ended: nothing more is typed
    LiveBlock live_;
};

} // namespace zorvane::cli

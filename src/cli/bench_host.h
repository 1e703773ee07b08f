// Several radios at once on one terminal: messages scroll above one live
// block that is erased and drawn again in place, a line per port (stage,
// block, percent, bytes/s, time left) while the block fits the terminal,
// else a line per stage with its count of radios and each failed radio's
// line; redrawn at most ten times a second. Without a terminal, plain lines
// that begin with the port.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/live_block.h"
#include "cli/port_record.h"
#include "cli/reset_gate.h"
#include "engine/run_host.h"
#include "os/terminal.h"

namespace zorvane::cli {

// Colour only for a person at a terminal, and never when NO_COLOR is set
// (to anything, even empty).
bool ColourWanted(bool terminal, const char* noColor);

class BenchBoard {
public:
    // size: the terminal's rows and columns now (0: unknown); asked at every
    // redraw. changed: called (from any thread) when something waits to be
    // drawn at the next wake-up. units: each port's label, shown beside it.
    BenchBoard(std::vector<std::string> ports, BoardStyle style, std::FILE* out = stdout,
               std::function<os::TerminalSize()> size = {}, std::function<void()> changed = {},
               std::vector<std::string> units = {});

    void stageStarted(std::size_t index, RunStage stage);
    void progress(std::size_t index, const RunProgress& progress);
    // A message of one port, scrolled above the live block.
    void line(std::size_t index, const std::string& text);
    // The port's device and line speed now: a line of its own without a
    // terminal; the live block names the port already.
    void status(std::size_t index, const std::string& text);
    // How the port's run ended, kept on its live line.
    void ended(std::size_t index, const std::string& text, bool succeeded);
    // Text for every port (the reset prompt), above the live block.
    void note(const std::string& text);
    // The session's wake-up: draws what changed since, and everything again
    // when the terminal changed its size. Returns when it wants the next
    // one (none: only when something changes).
    std::optional<std::chrono::steady_clock::time_point> wake(bool resized);
    // Draws the final block: each port's ending once.
    void finish();

private:
    struct PortLine {
        std::string stage;                  // its name as shown
        std::optional<RunStage> stageId{};  // none: waiting to start
        std::uint16_t address = 0;
        double percent = 0;
        std::size_t bytesDone = 0;
        std::size_t bytesTotal = 0;
        std::chrono::steady_clock::time_point stageStart;
        std::string ending;   // once the run has shown its last message
        bool failed = false;
    };
    // A port's line without colour, and the colour it is shown in (none: plain).
    std::pair<std::string, const char*> describe(std::size_t index) const;
    std::vector<std::string> block(os::TerminalSize size) const;   // the live block's lines
    // Too many radios for the terminal's rows: counts by stage.
    std::vector<std::string> stageBlock(std::size_t room, int columns) const;

    const std::vector<std::string> ports_;
    const std::vector<std::string> units_;   // each port's label, when labels were given; else empty
    const BoardStyle style_;
    std::mutex mutex_;
    std::vector<PortLine> lines_;
    LiveBlock live_;
};

// One port's run as the bench shows it.
class PortHost final : public RunHost {
public:
    PortHost(std::size_t index, BenchBoard& board, ResetGate& gate, const CliOptions& options);

    void stageStarted(RunStage stage) override { board_.stageStarted(index_, stage); }
    void progress(const RunProgress& progress) override { board_.progress(index_, progress); }
    void statusChanged(const std::string&) override;
    void resultsCleared() override {}
    void resultReady(ResultBox, const std::string&) override {}
    Answer confirmReset(const Message& prompt, std::stop_token stop) override;
    Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) override;
    void showFailure(const RunFailure& failure, std::stop_token stop) override;
    void showSuccess(const Message& message, std::stop_token stop) override;

private:
    void showMessage(const Message& message, const std::string& cause);

    const std::size_t index_;
    BenchBoard& board_;
    ResetGate& gate_;
    const CliOptions& options_;
};

} // namespace zorvane::cli

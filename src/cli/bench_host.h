// Several radios at once on one terminal: a live line per port (stage,
// block, percent, bytes/s, time left) redrawn at most ten times a second,
// or, without a terminal, plain lines that begin with the port.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/port_record.h"
#include "cli/reset_gate.h"
#include "engine/run_host.h"

namespace zorvane::cli {

class BenchBoard {
public:
    BenchBoard(std::vector<std::string> ports, bool liveLines, bool quiet);

    void stageStarted(std::size_t index, RunStage stage);
    void progress(std::size_t index, const RunProgress& progress);
    // A line of its own for one port (a message, a status); the live lines
    // are drawn again below it.
    void line(std::size_t index, const std::string& text);
    // How the port's run ended, kept on its live line.
    void ended(std::size_t index, const std::string& text);
    // A line for every port (the reset prompt).
    void note(const std::string& text);
    // Draws the live lines one last time.
    void finish();

private:
    struct PortLine {
        std::string stage;
        std::uint16_t address = 0;
        double percent = 0;
        std::size_t bytesDone = 0;
        std::size_t bytesTotal = 0;
        std::chrono::steady_clock::time_point stageStart;
        std::string ending;   // once the run has shown its last message
    };
    std::string describe(const std::string& port, const PortLine& state) const;
    void redraw(bool force);   // with the lock held

    const std::vector<std::string> ports_;
    const bool liveLines_;
    const bool quiet_;
    std::mutex mutex_;
    std::vector<PortLine> lines_;
    std::size_t drawnLines_ = 0;   // live lines on the screen below the last plain line
    std::chrono::steady_clock::time_point lastDrawn_;
};

// One port's run as the bench shows it.
class PortHost final : public RunHost {
public:
    PortHost(std::size_t index, const PortRecord& record, BenchBoard& board, ResetGate& gate,
             const CliOptions& options);

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
    const PortRecord& record_;
    BenchBoard& board_;
    ResetGate& gate_;
    const CliOptions& options_;
};

} // namespace zorvane::cli

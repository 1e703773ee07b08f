// The flash run on a terminal: every message box with its title and text
// (and a failure's cause), the reset prompt and line errors answered from
// the keyboard or the command line, a progress line, and the five results
// at the end.
#pragma once

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "cli/cli_options.h"
#include "cli/stage_rate.h"
#include "engine/run_host.h"
#include "link/clock.h"

namespace zorvane::cli {

class TerminalHost final : public RunHost {
public:
    // clock: the run's, for the progress line's bytes a second.
    TerminalHost(const CliOptions& options, const link::Clock& clock);

    void stageStarted(RunStage stage) override;
    void progress(const RunProgress& progress) override;
    void statusChanged(const std::string& text) override;
    void resultsCleared() override { results_.clear(); }
    void resultReady(ResultBox box, const std::string& text) override;
    Answer confirmReset(const Message& prompt, std::stop_token stop) override;
    Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) override;
    void showFailure(const RunFailure& failure, std::stop_token stop) override;
    void showSuccess(const Message& message, std::stop_token stop) override;

    // The five result boxes as the window labels them.
    void printResults();

private:
    void printBox(const Message& message);
    void endProgressLine();
    void drawProgressLine();

    const CliOptions& options_;
    const link::Clock& clock_;
    bool outIsTerminal_;
    bool inIsTerminal_;
    bool progressShown_ = false;
    bool imageStage_ = false;   // the progress line belongs to the EEPROM and FLASH images
    std::chrono::steady_clock::time_point lastDrawn_;
    std::string stage_;
    double percent_ = 0;
    std::uint16_t address_ = 0;
    std::size_t stageBytes_ = 0;
    StageRate rate_;
    std::map<ResultBox, std::string> results_;
};

} // namespace zorvane::cli

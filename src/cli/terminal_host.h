// The flash run on a terminal: every message box with its title and text,
// the reset prompt and line errors answered from the keyboard or the
// command line, a progress line, and the five results at the end.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "cli/cli_options.h"
#include "engine/run_host.h"

namespace zorvane::cli {

class TerminalHost final : public RunHost {
public:
    TerminalHost(const CliOptions& options, std::function<bool()> stopRequested, std::function<void()> requestStop);

    BoxButton MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    void setProgress(double percent) override;
    void setStatusText(const std::string& text) override;
    void setResultBox(ResultBox box, const std::string& text) override;
    void setCommMenuEnabled(bool) override {}
    void stageStarted(RunStage stage) override;
    void blockAcknowledged(std::uint8_t opcode, std::uint16_t address, std::size_t length) override;

    // The five result boxes as the window labels them.
    void printResults();

private:
    enum class Answer { Ok, Cancel, NoAnswer };
    // Waits for a line on standard input while the run is not stopped.
    Answer readAnswer(bool okIsDefault);
    void endProgressLine();
    void drawProgressLine();

    const CliOptions& options_;
    std::function<bool()> stopRequested_;
    std::function<void()> requestStop_;
    bool outIsTerminal_;
    bool inIsTerminal_;
    bool progressShown_ = false;
    bool imageStage_ = false;   // the progress line belongs to the EEPROM and FLASH images
    std::chrono::steady_clock::time_point lastDrawn_;
    std::string stage_;
    double percent_ = 0;
    std::uint16_t address_ = 0;
    std::size_t stageBytes_ = 0;
    std::chrono::steady_clock::time_point stageStart_;
    std::map<ResultBox, std::string> results_;
};

} // namespace zorvane::cli

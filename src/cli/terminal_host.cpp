#include "cli/terminal_host.h"

#include "cli/line_error_policy.h"

#include "cli/port_diagnostics.h"
#include "cli/run_text.h"
#include "cli/terminal_input.h"
#include "files/shown_text.h"

namespace zorvane::cli {

TerminalHost::TerminalHost(const CliOptions& options, const link::Clock& clock)
    : options_(options),
      clock_(clock),
      outIsTerminal_(OutputIsTerminal()),
      inIsTerminal_(InputIsTerminal())
{
}

void TerminalHost::endProgressLine()
{
    if (progressShown_) {
        std::fputs("\n", stdout);
        progressShown_ = false;
    }
}

void TerminalHost::drawProgressLine()
{
    if (!outIsTerminal_ || options_.quiet || !imageStage_)
        return;
    const auto now = clock_.now();
    if (progressShown_ && now - lastDrawn_ < kProgressRedraw)
        return;
    lastDrawn_ = now;
    const double rate = rate_.bytesPerSecond(stageBytes_, now);
    std::printf("\r%-8s block $%04X  %5.1f%%  %6.0f bytes/s ", stage_.c_str(), address_, percent_, rate);
    std::fflush(stdout);
    progressShown_ = true;
}

void TerminalHost::printBox(const Message& message)
{
    endProgressLine();
    std::fputs(BoxText(message.title, message.text).c_str(), stdout);
    std::fflush(stdout);
}

Answer TerminalHost::confirmReset(const Message& prompt, std::stop_token stop)
{
    printBox(prompt);
    if (options_.yes)
        return Answer::GoOn;
    return AskForReset("Press Enter once the radio has been reset (Ctrl-C stops the run). ", "the run",
                       [](const std::string& text) {
                           std::fputs(text.c_str(), stdout);
                           std::fflush(stdout);
                       },
                       stop);
}

Answer TerminalHost::askOnLineError(const LineErrorQuestion& question, std::stop_token stop)
{
    printBox(question.message);
    std::fputs(CauseLine(question.message, question.cause).c_str(), stdout);
    const LineErrorDecision decided = DecideLineError(options_.lineErrorAnswer(), inIsTerminal_);
    if (decided.answer) {
        std::fputs((decided.said + "\n").c_str(), stdout);
        return *decided.answer;
    }
    std::fputs("o = OK, go on with the next block; c = Cancel: ", stdout);
    std::fflush(stdout);
    const auto asked = clock_.now();
    const Reply reply = ReadReply(false, stop);
    rate_.leaveOut(asked, clock_.now());
    return reply == Reply::Ok ? Answer::GoOn : Answer::Stop;
}

void TerminalHost::showFailure(const RunFailure& failure, std::stop_token)
{
    printBox(failure.message);
    std::fputs(CauseLine(failure.message, failure.cause).c_str(), stdout);
    std::fflush(stdout);
}

void TerminalHost::showSuccess(const Message& message, std::stop_token)
{
    printBox(message);
}

void TerminalHost::progress(const RunProgress& progress)
{
    percent_ = progress.percent;
    address_ = progress.address;
    stageBytes_ = progress.bytesDone;
    drawProgressLine();
}

void TerminalHost::statusChanged(const std::string& text)
{
    if (options_.quiet)
        return;
    endProgressLine();
    std::printf("Status: %s\n", files::ShownText(text).c_str());
    std::fflush(stdout);
}

void TerminalHost::resultReady(ResultBox box, const std::string& text)
{
    results_[box] = text;
}

void TerminalHost::stageStarted(RunStage stage)
{
    stage_ = StageName(stage);
    imageStage_ = stage == RunStage::ProgramEeprom || stage == RunStage::ProgramFlash;
    stageBytes_ = 0;
    percent_ = 0;
    rate_.start(clock_.now());
    if (options_.quiet || stage == RunStage::Closing)
        return;
    endProgressLine();
    std::printf("== %s\n", stage_.c_str());
    std::fflush(stdout);
}

void TerminalHost::printResults()
{
    endProgressLine();
    const std::pair<ResultBox, const char*> labels[] = {
        {ResultBox::BootVers, "Boot Version:"},       {ResultBox::BootCsum, "Boot Checksum:"},
        {ResultBox::Config, "CONFIG Value:"},         {ResultBox::EepromCsum, "EEPROM Checksum:"},
        {ResultBox::FirmwareCsum, "Firmware Checksum:"},
    };
    // A box the run never filled (a stage it did not reach) has no line.
    for (const auto& [box, label] : labels)
        if (!results_[box].empty())
            std::printf("%-19s %s\n", label, results_[box].c_str());
    std::fflush(stdout);
}

} // namespace zorvane::cli

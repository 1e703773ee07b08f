#include "cli/terminal_host.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>

namespace zorvane::cli {

namespace {

constexpr int kInputPollMs = 100;   // how often a waiting prompt looks at a stop request
constexpr auto kProgressRedraw = std::chrono::milliseconds(100);   // a terminal needs no more

const char* stageName(RunStage stage)
{
    switch (stage) {
    case RunStage::OpenPort: return "Opening the port";
    case RunStage::SmartMode: return "Smart mode";
    case RunStage::BootLoad: return "Boot loading";
    case RunStage::Config: return "CONFIG";
    case RunStage::EraseEeprom: return "Erasing EEPROM";
    case RunStage::ProgramEeprom: return "EEPROM";
    case RunStage::EraseRom: return "Erasing ROM";
    case RunStage::ProgramFlash: return "FLASH";
    case RunStage::Closing: return "Closing";
    }
    return "";
}

// A carriage return separates a message's lines.
std::string asLines(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

} // namespace

TerminalHost::TerminalHost(const CliOptions& options)
    : options_(options),
      outIsTerminal_(::isatty(STDOUT_FILENO) != 0),
      inIsTerminal_(::isatty(STDIN_FILENO) != 0)
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
    const auto now = std::chrono::steady_clock::now();
    if (progressShown_ && now - lastDrawn_ < kProgressRedraw)
        return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - stageStart_).count();
    const double rate = seconds > 0 ? stageBytes_ / seconds : 0;
    std::printf("\r%-8s block $%04X  %5.1f%%  %6.0f bytes/s ", stage_.c_str(), address_, percent_, rate);
    std::fflush(stdout);
    progressShown_ = true;
}

TerminalHost::Reply TerminalHost::readAnswer(bool okIsDefault, const std::stop_token& stop)
{
    std::string line;
    while (!stop.stop_requested()) {
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&pfd, 1, kInputPollMs) <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return Reply::NoAnswer;   // end of input: nobody is there to answer
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        if (line.empty())
            return okIsDefault ? Reply::Ok : Reply::NoAnswer;
        const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (first == 'o' || first == 'y')
            return Reply::Ok;
        if (first == 'c' || first == 'n')
            return Reply::Cancel;
        std::fputs("Answer o (OK) or c (Cancel): ", stdout);
        std::fflush(stdout);
        line.clear();
    }
    return Reply::Cancel;
}

void TerminalHost::printBox(const Message& message)
{
    endProgressLine();
    std::printf("[%s] %s\n", message.title.c_str(), asLines(message.text).c_str());
    std::fflush(stdout);
}

Answer TerminalHost::confirmReset(const Message& prompt, std::stop_token stop)
{
    printBox(prompt);
    if (options_.yes)
        return Answer::GoOn;
    std::fputs("Press Enter once the radio has been reset (Ctrl-C stops the run). ", stdout);
    std::fflush(stdout);
    const Reply reply = readAnswer(true, stop);
    if (!inIsTerminal_)
        std::fputs("\n", stdout);   // a terminal echoed the Enter itself
    if (reply == Reply::Ok)
        return Answer::GoOn;
    std::fputs("\nNo answer to the reset prompt: stopping the run (use --yes to go on without one).\n", stdout);
    return Answer::Stop;
}

Answer TerminalHost::askOnLineError(const LineErrorQuestion& question, std::stop_token stop)
{
    printBox(question.message);
    std::printf("  cause: %s\n", question.cause.c_str());
    switch (options_.onLineError) {
    case LineErrorAnswer::Continue:
        std::fputs("Going on with the next block (--on-line-error continue).\n", stdout);
        return Answer::GoOn;
    case LineErrorAnswer::Cancel:
        std::fputs("Stopping (--on-line-error cancel).\n", stdout);
        return Answer::Stop;
    case LineErrorAnswer::Ask:
        break;
    }
    if (!inIsTerminal_) {
        std::fputs("No terminal to ask: stopping.\n", stdout);
        return Answer::Stop;
    }
    std::fputs("o = OK, go on with the next block; c = Cancel: ", stdout);
    std::fflush(stdout);
    return readAnswer(false, stop) == Reply::Ok ? Answer::GoOn : Answer::Stop;
}

void TerminalHost::showFailure(const RunFailure& failure, std::stop_token)
{
    printBox(failure.message);
    if (!failure.cause.empty())
        std::printf("  cause: %s\n", failure.cause.c_str());
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
    std::printf("Status: %s\n", text.c_str());
    std::fflush(stdout);
}

void TerminalHost::resultReady(ResultBox box, const std::string& text)
{
    results_[box] = text;
}

void TerminalHost::stageStarted(RunStage stage)
{
    stage_ = stageName(stage);
    imageStage_ = stage == RunStage::ProgramEeprom || stage == RunStage::ProgramFlash;
    stageBytes_ = 0;
    percent_ = 0;
    stageStart_ = std::chrono::steady_clock::now();
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
    for (const auto& [box, label] : labels)
        std::printf("%-19s %s\n", label, results_[box].c_str());
    std::fflush(stdout);
}

} // namespace zorvane::cli

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

TerminalHost::TerminalHost(const CliOptions& options, std::function<bool()> stopRequested,
                           std::function<void()> requestStop)
    : options_(options),
      stopRequested_(std::move(stopRequested)),
      requestStop_(std::move(requestStop)),
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

TerminalHost::Answer TerminalHost::readAnswer(bool okIsDefault)
{
    std::string line;
    while (!stopRequested_()) {
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&pfd, 1, kInputPollMs) <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return Answer::NoAnswer;   // end of input: nobody is there to answer
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        if (line.empty())
            return okIsDefault ? Answer::Ok : Answer::NoAnswer;
        const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (first == 'o' || first == 'y')
            return Answer::Ok;
        if (first == 'c' || first == 'n')
            return Answer::Cancel;
        std::fputs("Answer o (OK) or c (Cancel): ", stdout);
        std::fflush(stdout);
        line.clear();
    }
    return Answer::Cancel;
}

BoxButton TerminalHost::MsgBox(const std::string& text, BoxStyle style, const std::string& title)
{
    endProgressLine();
    std::printf("[%s] %s\n", title.c_str(), asLines(text).c_str());
    std::fflush(stdout);

    if (title == "KRIX Smart mode") {
        if (options_.yes)
            return BoxButton::Ok;
        std::fputs("Press Enter once the radio has been reset (Ctrl-C stops the run). ", stdout);
        std::fflush(stdout);
        const Answer answer = readAnswer(true);
        if (!inIsTerminal_)
            std::fputs("\n", stdout);   // a terminal echoed the Enter itself
        if (answer != Answer::Ok) {
            std::fputs("\nNo answer to the reset prompt: stopping the run (use --yes to go on without one).\n",
                       stdout);
            requestStop_();
            return BoxButton::Cancel;
        }
        return BoxButton::Ok;
    }
    if (style != BoxStyle::OkCancel)
        return BoxButton::Ok;

    switch (options_.onLineError) {
    case LineErrorAnswer::Continue:
        std::fputs("Going on with the next block (--on-line-error continue).\n", stdout);
        return BoxButton::Ok;
    case LineErrorAnswer::Cancel:
        std::fputs("Stopping (--on-line-error cancel).\n", stdout);
        return BoxButton::Cancel;
    case LineErrorAnswer::Ask:
        break;
    }
    if (!inIsTerminal_) {
        std::fputs("No terminal to ask: stopping.\n", stdout);
        return BoxButton::Cancel;
    }
    std::fputs("o = OK, go on with the next block; c = Cancel: ", stdout);
    std::fflush(stdout);
    return readAnswer(false) == Answer::Ok ? BoxButton::Ok : BoxButton::Cancel;
}

void TerminalHost::setProgress(double percent)
{
    percent_ = percent;
    drawProgressLine();
}

void TerminalHost::setStatusText(const std::string& text)
{
    if (options_.quiet)
        return;
    endProgressLine();
    std::printf("Status: %s\n", text.c_str());
    std::fflush(stdout);
}

void TerminalHost::setResultBox(ResultBox box, const std::string& text)
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

void TerminalHost::blockAcknowledged(std::uint8_t, std::uint16_t address, std::size_t length)
{
    address_ = address;
    stageBytes_ += length;
    drawProgressLine();
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

#include "cli/bench_host.h"

#include <algorithm>
#include <sstream>

#include "cli/port_diagnostics.h"
#include "cli/run_text.h"

namespace zorvane::cli {

BenchBoard::BenchBoard(std::vector<std::string> ports, bool liveLines, bool quiet)
    : ports_(std::move(ports)), liveLines_(liveLines), quiet_(quiet), lines_(ports_.size())
{
}

std::string BenchBoard::describe(const std::string& port, const PortLine& state) const
{
    char text[160];
    if (!state.ending.empty()) {
        std::snprintf(text, sizeof text, "%-24s %s", port.c_str(), state.ending.c_str());
        return text;
    }
    if (state.bytesTotal == 0) {
        std::snprintf(text, sizeof text, "%-24s %s", port.c_str(), state.stage.c_str());
        return text;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - state.stageStart).count();
    const double rate = seconds > 0 ? state.bytesDone / seconds : 0;
    const double left = rate > 0 ? (state.bytesTotal - state.bytesDone) / rate : 0;
    std::snprintf(text, sizeof text, "%-24s %-8s block $%04X  %5.1f%%  %6.0f bytes/s  %4.0f s left", port.c_str(),
                  state.stage.c_str(), state.address, state.percent, rate, left);
    return text;
}

void BenchBoard::redraw(bool force)
{
    if (!liveLines_ || quiet_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawnLines_ > 0 && now - lastDrawn_ < kProgressRedraw)
        return;
    lastDrawn_ = now;
    std::string screen;
    if (drawnLines_ > 0)
        screen += "\033[" + std::to_string(drawnLines_) + "A";   // back to the first live line
    for (std::size_t i = 0; i < ports_.size(); ++i)
        screen += "\r\033[K" + describe(ports_[i], lines_[i]) + "\n";
    std::fputs(screen.c_str(), stdout);
    std::fflush(stdout);
    drawnLines_ = ports_.size();
}

void BenchBoard::stageStarted(std::size_t index, RunStage stage)
{
    std::lock_guard lock(mutex_);
    PortLine& state = lines_[index];
    state = PortLine{StageName(stage), 0, 0, 0, 0, std::chrono::steady_clock::now(), state.ending};
    if (!liveLines_ && !quiet_ && stage != RunStage::Closing)
        std::printf("[%s] == %s\n", ports_[index].c_str(), state.stage.c_str());
    redraw(true);
}

void BenchBoard::progress(std::size_t index, const RunProgress& progress)
{
    std::lock_guard lock(mutex_);
    PortLine& state = lines_[index];
    state.address = progress.address;
    state.percent = progress.percent;
    state.bytesDone = progress.bytesDone;
    state.bytesTotal = progress.bytesTotal;
    redraw(false);
}

void BenchBoard::line(std::size_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    std::istringstream lines(text);
    std::string each;
    std::string out;
    while (std::getline(lines, each))
        out += "[" + ports_[index] + "] " + each + "\n";
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
    drawnLines_ = 0;   // the live lines come again below
    redraw(true);
}

void BenchBoard::ended(std::size_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    lines_[index].ending = text;
    redraw(true);
}

void BenchBoard::note(const std::string& text)
{
    std::lock_guard lock(mutex_);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    drawnLines_ = 0;
}

void BenchBoard::finish()
{
    std::lock_guard lock(mutex_);
    redraw(true);
}

PortHost::PortHost(std::size_t index, const PortRecord& record, BenchBoard& board, ResetGate& gate,
                   const CliOptions& options)
    : index_(index), record_(record), board_(board), gate_(gate), options_(options)
{
}

void PortHost::showMessage(const Message& message, const std::string& cause)
{
    board_.line(index_, BoxText(message.title, message.text) + CauseLine(message, cause));
}

void PortHost::statusChanged(const std::string&)
{
    // Every port here is its own device: the window's "Comm  1" would only mislead.
}

Answer PortHost::confirmReset(const Message&, std::stop_token stop)
{
    return gate_.arrive(index_, stop);
}

Answer PortHost::askOnLineError(const LineErrorQuestion& question, std::stop_token)
{
    showMessage(question.message, question.cause);
    if (options_.lineErrorAnswer() == LineErrorAnswer::Continue) {
        board_.line(index_, "Going on with the next block (--on-line-error continue).");
        return Answer::GoOn;
    }
    board_.line(index_, "Stopping (--on-line-error cancel).");
    return Answer::Stop;
}

void PortHost::showFailure(const RunFailure& failure, std::stop_token)
{
    const std::string text = failure.message.text;
    board_.ended(index_, failure.message.title + ": " + text.substr(0, text.find(kCR)));
    std::string cause = failure.cause;
    if (failure.outcome == RunOutcome::PortFailed)
        cause = record_.portDiagnosis();
    showMessage(failure.message, cause);
}

void PortHost::showSuccess(const Message& message, std::stop_token)
{
    board_.ended(index_, message.text);
    showMessage(message, {});
}

} // namespace zorvane::cli

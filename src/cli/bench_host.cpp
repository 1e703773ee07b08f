#include "cli/bench_host.h"

#include <algorithm>
#include <sstream>

#include "cli/port_diagnostics.h"
#include "cli/run_text.h"

namespace zorvane::cli {

namespace {

constexpr const char* kGreen = "\033[32m";
constexpr const char* kRed = "\033[31m";
constexpr const char* kPlain = "\033[0m";

} // namespace

BenchBoard::BenchBoard(std::vector<std::string> ports, BoardStyle style, std::FILE* out, std::function<int()> rows)
    : ports_(std::move(ports)), style_(style), out_(out), rows_(std::move(rows)), lines_(ports_.size())
{
}

std::string BenchBoard::painted(const std::string& text, const char* colour) const
{
    return style_.colour ? colour + text + kPlain : text;
}

std::string BenchBoard::describe(const std::string& port, const PortLine& state) const
{
    char text[160];
    if (!state.ending.empty()) {
        std::snprintf(text, sizeof text, "%-24s ", port.c_str());
        return text + painted(state.ending, state.failed ? kRed : kGreen);
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

std::vector<std::string> BenchBoard::block() const
{
    std::vector<std::string> shown;
    const int rows = rows_ ? rows_() : 0;
    // A line is kept free for the cursor below the block.
    if (rows <= 0 || ports_.size() < static_cast<std::size_t>(rows)) {
        for (std::size_t i = 0; i < ports_.size(); ++i)
            shown.push_back(describe(ports_[i], lines_[i]));
        return shown;
    }
    // Too many radios for the terminal: a line per stage, and the failures.
    std::vector<std::pair<std::string, std::size_t>> stages;
    std::size_t succeeded = 0;
    for (const PortLine& state : lines_) {
        if (!state.ending.empty()) {
            succeeded += state.failed ? 0 : 1;
            continue;
        }
        auto stage = std::find_if(stages.begin(), stages.end(), [&](const auto& s) { return s.first == state.stage; });
        if (stage == stages.end())
            stages.emplace_back(state.stage, 1);
        else
            ++stage->second;
    }
    char text[96];
    for (const auto& [stage, count] : stages) {
        std::snprintf(text, sizeof text, "%-24s %zu radio%s", stage.c_str(), count, count == 1 ? "" : "s");
        shown.push_back(text);
    }
    std::snprintf(text, sizeof text, "%-24s %zu radio%s", "Done", succeeded, succeeded == 1 ? "" : "s");
    shown.push_back(painted(text, kGreen));
    for (std::size_t i = 0; i < ports_.size(); ++i)
        if (lines_[i].failed)
            shown.push_back(describe(ports_[i], lines_[i]));
    return shown;
}

std::string BenchBoard::erased()
{
    if (drawnLines_ == 0)
        return {};
    const std::string up = "\033[" + std::to_string(drawnLines_) + "A\r\033[J";
    drawnLines_ = 0;
    return up;
}

void BenchBoard::write(const std::string& text)
{
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

void BenchBoard::redraw(bool force)
{
    if (!style_.live || style_.quiet)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawnLines_ > 0 && now - lastDrawn_ < kProgressRedraw)
        return;
    lastDrawn_ = now;
    std::string screen = erased();
    const std::vector<std::string> shown = block();
    for (const std::string& line : shown)
        screen += line + "\n";
    write(screen);
    drawnLines_ = shown.size();
}

void BenchBoard::stageStarted(std::size_t index, RunStage stage)
{
    std::lock_guard lock(mutex_);
    PortLine& state = lines_[index];
    state = PortLine{StageName(stage), 0, 0, 0, 0, std::chrono::steady_clock::now(), state.ending, state.failed};
    if (!style_.live && !style_.quiet && stage != RunStage::Closing)
        write("[" + ports_[index] + "] == " + state.stage + "\n");
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
    std::string out = style_.live ? erased() : std::string();
    while (std::getline(lines, each))
        out += "[" + ports_[index] + "] " + each + "\n";
    write(out);
    redraw(true);
}

void BenchBoard::ended(std::size_t index, const std::string& text, bool succeeded)
{
    std::lock_guard lock(mutex_);
    lines_[index].ending = text;
    lines_[index].failed = !succeeded;
    redraw(true);
}

void BenchBoard::note(const std::string& text)
{
    std::lock_guard lock(mutex_);
    write((style_.live ? erased() : std::string()) + text);
}

void BenchBoard::resized()
{
    std::lock_guard lock(mutex_);
    redraw(true);
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
    board_.ended(index_, failure.message.title + ": " + text.substr(0, text.find(kCR)), false);
    std::string cause = failure.cause;
    if (failure.outcome == RunOutcome::PortFailed)
        cause = record_.portDiagnosis();
    showMessage(failure.message, cause);
}

void PortHost::showSuccess(const Message& message, std::stop_token)
{
    board_.ended(index_, message.text, true);
    showMessage(message, {});
}

} // namespace zorvane::cli

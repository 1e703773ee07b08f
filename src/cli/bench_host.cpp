#include "cli/bench_host.h"

#include <algorithm>
#include <sstream>

#include "cli/line_error_policy.h"
#include "cli/port_diagnostics.h"
#include "cli/run_text.h"
#include "files/shown_text.h"

namespace zorvane::cli {

namespace {

// Ports are named as the operator gave them: shown, never taken raw.
std::vector<std::string> shownPorts(std::vector<std::string> ports)
{
    for (std::string& port : ports)
        port = files::ShownText(port);
    return ports;
}

} // namespace

bool ColourWanted(bool terminal, const char* noColor)
{
    return terminal && noColor == nullptr;
}

BenchBoard::BenchBoard(std::vector<std::string> ports, BoardStyle style, std::FILE* out,
                       std::function<os::TerminalSize()> size, std::function<void()> changed,
                       std::vector<std::string> units)
    : ports_(shownPorts(std::move(ports))), units_(shownPorts(std::move(units))), style_(style),
      lines_(ports_.size()),
      live_(style, out, std::move(size), std::move(changed), [this](os::TerminalSize size) { return block(size); })
{
}

std::pair<std::string, const char*> BenchBoard::describe(std::size_t index) const
{
    const PortLine& state = lines_[index];
    // The radio's label beside its port, when the operator gave labels.
    std::string port = ports_[index];
    if (!units_.empty())
        port += std::string(port.size() < 24 ? 24 - port.size() : 0, ' ') + " " + units_[index];
    char text[256];
    if (!state.ending.empty()) {
        std::snprintf(text, sizeof text, "%-24s %s", port.c_str(), state.ending.c_str());
        return {text, state.failed ? kRed : kGreen};
    }
    if (state.bytesTotal == 0) {
        std::snprintf(text, sizeof text, "%-24s %s", port.c_str(), state.stage.empty() ? "Waiting" : state.stage.c_str());
        return {text, nullptr};
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - state.stageStart).count();
    const double rate = seconds > 0 ? state.bytesDone / seconds : 0;
    const double left = rate > 0 ? (state.bytesTotal - state.bytesDone) / rate : 0;
    std::snprintf(text, sizeof text, "%-24s %-8s block $%04X  %5.1f%%  %6.0f bytes/s  %4.0f s left", port.c_str(),
                  state.stage.c_str(), state.address, state.percent, rate, left);
    return {text, nullptr};
}

std::vector<std::string> BenchBoard::block(os::TerminalSize size) const
{
    std::vector<std::string> lines;
    // A row is kept free for the cursor below the block; a terminal that
    // does not tell its size shows every port.
    const std::size_t room = size.rows > 0 ? static_cast<std::size_t>(size.rows) - 1 : ports_.size();
    if (ports_.size() <= room) {
        for (std::size_t i = 0; i < ports_.size(); ++i) {
            const auto [text, colour] = describe(i);
            lines.push_back(live_.shown(text, colour, size.columns));
        }
        return lines;
    }
    return stageBlock(room, size.columns);
}

std::vector<std::string> BenchBoard::stageBlock(std::size_t room, int columns) const
{
    // Too many radios for the terminal: a line per stage, the radios done,
    // and as many failed radios as there is room for.
    std::vector<std::pair<std::optional<RunStage>, std::size_t>> stages;
    std::size_t succeeded = 0;
    std::vector<std::size_t> failed;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const PortLine& state = lines_[i];
        if (!state.ending.empty()) {
            if (state.failed)
                failed.push_back(i);
            else
                ++succeeded;
            continue;
        }
        auto found = std::find_if(stages.begin(), stages.end(), [&](const auto& s) { return s.first == state.stageId; });
        if (found == stages.end())
            stages.emplace_back(state.stageId, 1);
        else
            ++found->second;
    }
    std::vector<std::string> lines;
    char text[96];
    const auto count = [&](const std::string& what, std::size_t n, const char* colour) {
        std::snprintf(text, sizeof text, "%-24s %zu radio%s", what.c_str(), n, n == 1 ? "" : "s");
        lines.push_back(live_.shown(text, colour, columns));
    };
    for (const auto& [stage, n] : stages)
        count(stage ? StageName(*stage) : "Waiting", n, nullptr);
    count("Done", succeeded, kGreen);
    for (std::size_t shownFailures = 0; shownFailures < failed.size(); ++shownFailures) {
        if (lines.size() + 1 >= room && shownFailures + 1 < failed.size()) {
            count("Failed, not listed", failed.size() - shownFailures, kRed);
            break;
        }
        const auto [line, colour] = describe(failed[shownFailures]);
        lines.push_back(live_.shown(line, colour, columns));
    }
    if (lines.size() > room)
        lines.resize(room);
    return lines;
}

void BenchBoard::stageStarted(std::size_t index, RunStage stage)
{
    std::lock_guard lock(mutex_);
    PortLine& state = lines_[index];
    state = PortLine{StageName(stage), stage, 0, 0, 0, 0, std::chrono::steady_clock::now(), state.ending, state.failed};
    if (!style_.live && !style_.quiet && stage != RunStage::Closing)
        live_.write("[" + ports_[index] + "] == " + state.stage + "\n");
    live_.redraw(false);
}

void BenchBoard::progress(std::size_t index, const RunProgress& progress)
{
    std::lock_guard lock(mutex_);
    PortLine& state = lines_[index];
    state.address = progress.address;
    state.percent = progress.percent;
    state.bytesDone = progress.bytesDone;
    state.bytesTotal = progress.bytesTotal;
    live_.redraw(false);
}

void BenchBoard::line(std::size_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    std::istringstream lines(text);
    std::string each;
    std::string out;
    while (std::getline(lines, each))
        out += "[" + ports_[index] + "] " + each + "\n";
    live_.scroll(out);
}

void BenchBoard::status(std::size_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    if (!style_.live && !style_.quiet)
        live_.write("[" + ports_[index] + "] Status: " + files::ShownText(text) + "\n");
}

void BenchBoard::ended(std::size_t index, const std::string& text, bool succeeded)
{
    std::lock_guard lock(mutex_);
    lines_[index].ending = files::ShownText(text);
    lines_[index].failed = !succeeded;
    live_.redraw(false);
}

void BenchBoard::note(const std::string& text)
{
    std::lock_guard lock(mutex_);
    live_.note(files::ShownLines(text));
}

std::optional<std::chrono::steady_clock::time_point> BenchBoard::wake(bool resized)
{
    std::lock_guard lock(mutex_);
    return live_.wake(resized);
}

void BenchBoard::finish()
{
    std::lock_guard lock(mutex_);
    live_.redraw(true);
}

PortHost::PortHost(std::size_t index, BenchBoard& board, ResetGate& gate, const CliOptions& options)
    : index_(index), board_(board), gate_(gate), options_(options)
{
}

void PortHost::showMessage(const Message& message, const std::string& cause)
{
    board_.line(index_, BoxText(message.title, message.text) + CauseLine(message, cause));
}

void PortHost::statusChanged(const std::string& text)
{
    board_.status(index_, text);
}

Answer PortHost::confirmReset(const Message&, std::stop_token stop)
{
    return gate_.arrive(index_, stop);
}

Answer PortHost::askOnLineError(const LineErrorQuestion& question, std::stop_token)
{
    showMessage(question.message, question.cause);
    return AnswerWithoutAsking(options_.lineErrorAnswer(), [this](const std::string& said) { board_.line(index_, said); });
}

void PortHost::showFailure(const RunFailure& failure, std::stop_token)
{
    board_.ended(index_, failure.message.title + ": " + failure.message.firstLine, false);
    showMessage(failure.message, failure.cause);
}

void PortHost::showSuccess(const Message& message, std::stop_token)
{
    board_.ended(index_, message.text, true);
    showMessage(message, {});
}

} // namespace zorvane::cli

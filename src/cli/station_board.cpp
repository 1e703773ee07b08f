#include "cli/station_board.h"

#include <sstream>

#include "cli/run_text.h"
#include "files/shown_text.h"

namespace zorvane::cli {

namespace {

const char* stateName(StationState state)
{
    switch (state) {
    case StationState::Opening: return "opening";
    case StationState::Armed: return "armed";
    case StationState::Running: return "running";
    case StationState::Unavailable: return "no port";
    case StationState::Closed: return "closed";
    }
    return "";
}

std::vector<std::string> shownAll(std::vector<std::string> texts)
{
    for (std::string& text : texts)
        text = files::ShownText(text);
    return texts;
}

} // namespace

StationBoard::StationBoard(std::vector<std::string> ports, BoardStyle style, std::FILE* out,
                           std::function<os::TerminalSize()> size, std::function<void()> changed)
    : ports_(shownAll(std::move(ports))), style_(style), lines_(ports_.size()),
      live_(style, out, std::move(size), std::move(changed), [this](os::TerminalSize size) { return block(size); })
{
}

std::string StationBoard::describe(std::size_t index) const
{
    const Line& line = lines_[index];
    std::string doing;
    if (line.state == StationState::Running) {
        char stage[48];
        std::snprintf(stage, sizeof stage, line.progressing ? "%-14s %5.1f%%" : "%s", line.stage.c_str(), line.percent);
        doing = stage;
    } else if (line.state == StationState::Unavailable) {
        doing = line.detail;
    }
    char text[320];
    if (!line.flag.empty()) {
        // Where the unit and its stage go: the station waits for the same label again.
        std::snprintf(text, sizeof text, "%s %-20s %-8s %s", next_ == index ? ">" : " ", ports_[index].c_str(),
                      stateName(line.state), line.flag.c_str());
        return text;
    }
    std::snprintf(text, sizeof text, "%s %-20s %-8s %-16s %-22s %s", next_ == index ? ">" : " ", ports_[index].c_str(),
                  stateName(line.state), line.state == StationState::Running ? line.detail.c_str() : "",
                  doing.c_str(), line.last.c_str());
    return text;
}

std::vector<std::string> StationBoard::block(os::TerminalSize size) const
{
    std::vector<std::string> shown{live_.shown("Shift: " + counts_, nullptr, size.columns)};
    // A row is kept for the cursor below the block and one for the typed
    // line; a terminal that does not tell its size shows every station.
    const std::size_t room = size.rows > 0 ? static_cast<std::size_t>(size.rows) - 1 : ports_.size() + 2;
    const std::size_t stationRoom = room > 2 ? room - 2 : 0;
    const std::size_t listed = ports_.size() <= stationRoom ? ports_.size() : stationRoom > 0 ? stationRoom - 1 : 0;
    for (std::size_t i = 0; i < listed; ++i) {
        const Line& line = lines_[i];
        const char* colour = !line.flag.empty() ? kYellow : line.last.empty() ? nullptr : line.lastFailed ? kRed : kGreen;
        shown.push_back(live_.shown(describe(i), colour, size.columns));
    }
    if (listed < ports_.size() && stationRoom > 0)
        shown.push_back(live_.shown("  ... " + std::to_string(ports_.size() - listed) + " more stations: widen the "
                                    "terminal to see them", nullptr, size.columns));
    if (!finished_)
        shown.push_back(live_.shown("Scan> " + files::ShownText(typed_), nullptr, size.columns));
    // Fewer rows still: the typed line stays longest, then the counts.
    if (shown.size() > room)
        shown.erase(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(shown.size() - room));
    return shown;
}

void StationBoard::plain(std::size_t index, const std::string& text)
{
    if (!style_.live && !style_.quiet)
        live_.write("[" + ports_[index] + "] " + text + "\n");
}

void StationBoard::state(std::size_t index, StationState state, const std::string& detail)
{
    std::lock_guard lock(mutex_);
    Line& line = lines_[index];
    if (line.state == state && line.detail == detail)
        return;
    line.state = state;
    line.detail = files::ShownText(detail);
    if (state == StationState::Running) {
        line.stage.clear();
        line.progressing = false;
        line.flag.clear();
    }
    // Plain lines say each change once: not every try of a port that stays away.
    const std::string said = std::string(stateName(state)) + (detail.empty() ? "" : ": " + line.detail);
    if (state != StationState::Opening && said != line.said) {
        plain(index, said);
        line.said = said;
    }
    live_.redraw(true);
}

void StationBoard::stageStarted(std::size_t index, RunStage stage)
{
    std::lock_guard lock(mutex_);
    Line& line = lines_[index];
    line.stage = StageName(stage);
    line.percent = 0;
    line.progressing = false;
    live_.redraw(false);
}

void StationBoard::progress(std::size_t index, const RunProgress& progress)
{
    std::lock_guard lock(mutex_);
    lines_[index].percent = progress.percent;
    lines_[index].progressing = progress.bytesTotal > 0;
    live_.redraw(false);
}

void StationBoard::ended(std::size_t index, const std::string& text, bool succeeded)
{
    std::lock_guard lock(mutex_);
    lines_[index].last = files::ShownText(text);
    lines_[index].lastFailed = !succeeded;
    plain(index, lines_[index].last);
    live_.redraw(true);
}

void StationBoard::flag(std::size_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    lines_[index].flag = files::ShownText(text);
    live_.redraw(true);
}

void StationBoard::next(std::optional<std::size_t> index)
{
    std::lock_guard lock(mutex_);
    if (next_ == index)
        return;
    next_ = index;
    live_.redraw(true);
}

void StationBoard::counts(const std::string& text)
{
    std::lock_guard lock(mutex_);
    if (counts_ == text)
        return;
    counts_ = text;
    live_.redraw(false);
}

void StationBoard::typing(const std::string& text)
{
    std::lock_guard lock(mutex_);
    if (finished_)
        return;   // a key pressed as the shift ended: the summary follows the block
    typed_ = text;
    live_.redraw(true);
}

void StationBoard::message(std::size_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    std::istringstream lines(text);
    std::string each, out;
    while (std::getline(lines, each))
        out += "[" + ports_[index] + "] " + each + "\n";
    live_.scroll(out);
}

void StationBoard::note(const std::string& text)
{
    std::lock_guard lock(mutex_);
    live_.scroll(files::ShownLines(text));
}

std::optional<std::chrono::steady_clock::time_point> StationBoard::wake(bool resized)
{
    std::lock_guard lock(mutex_);
    return live_.wake(resized);
}

void StationBoard::finish()
{
    std::lock_guard lock(mutex_);
    finished_ = true;
    live_.redraw(true);
}

} // namespace zorvane::cli

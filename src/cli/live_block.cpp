#include "cli/live_block.h"

#include "cli/run_text.h"

namespace zorvane::cli {

LiveBlock::LiveBlock(BoardStyle style, std::FILE* out, std::function<os::TerminalSize()> size,
                     std::function<void()> changed, Lines lines)
    : style_(style), out_(out), size_(std::move(size)), changedHook_(std::move(changed)), lines_(std::move(lines))
{
}

std::string LiveBlock::shown(std::string text, const char* colour, int columns) const
{
    if (columns > 1 && text.size() >= static_cast<std::size_t>(columns))
        text.resize(static_cast<std::size_t>(columns) - 1);
    return style_.colour && colour != nullptr ? colour + text + kPlain : text;
}

std::string LiveBlock::erased()
{
    if (drawnLines_ == 0)
        return {};
    const std::string up = "\033[" + std::to_string(drawnLines_) + "A\r\033[J";
    drawnLines_ = 0;
    return up;
}

void LiveBlock::write(const std::string& text)
{
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

void LiveBlock::redraw(bool force)
{
    if (!style_.live || style_.quiet)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawnLines_ > 0 && now - lastDrawn_ < kProgressRedraw) {
        if (!changed_ && changedHook_)
            changedHook_();   // drawn at the next wake-up
        changed_ = true;
        return;
    }
    changed_ = false;
    lastDrawn_ = now;
    std::string screen = erased();
    const std::vector<std::string> shownLines = lines_(size_ ? size_() : os::TerminalSize{});
    for (const std::string& line : shownLines)
        screen += line + "\n";
    write(screen);
    drawnLines_ = shownLines.size();
}

void LiveBlock::scroll(const std::string& text)
{
    write((style_.live ? erased() : std::string()) + text);
    redraw(true);
}

void LiveBlock::note(const std::string& text)
{
    write((style_.live ? erased() : std::string()) + text);
}

std::optional<std::chrono::steady_clock::time_point> LiveBlock::wake(bool resized)
{
    if (resized || changed_)
        redraw(resized);
    if (!changed_)
        return std::nullopt;
    return lastDrawn_ + kProgressRedraw;
}

} // namespace zorvane::cli

#include "cli/live_block.h"

#include "cli/run_text.h"

namespace zorvane::cli {

namespace {

// The rest of a UTF-8 character: it takes no column of its own.
bool continuesACharacter(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The columns a line takes: its colour escapes take none.
std::size_t visibleWidth(const std::string& line)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\033') {
            while (i < line.size() && line[i] != 'm')
                ++i;
            continue;
        }
        if (!continuesACharacter(line[i]))
            ++width;
    }
    return width;
}

// The bytes of text's first `columns` characters.
std::size_t bytesOfColumns(const std::string& text, std::size_t columns)
{
    std::size_t end = 0;
    for (std::size_t taken = 0; end < text.size(); ++end) {
        if (!continuesACharacter(text[end]) && taken++ == columns)
            break;
    }
    return end;
}

} // namespace

LiveBlock::LiveBlock(BoardStyle style, std::FILE* out, std::function<os::TerminalSize()> size,
                     std::function<void()> changed, Lines lines)
    : style_(style), out_(out), size_(std::move(size)), changedHook_(std::move(changed)), lines_(std::move(lines))
{
}

std::string LiveBlock::shown(std::string text, const char* colour, int columns) const
{
    if (columns > 0)
        text.resize(bytesOfColumns(text, static_cast<std::size_t>(columns) - 1));
    return style_.colour && colour != nullptr ? colour + text + kPlain : text;
}

std::string LiveBlock::erased()
{
    if (drawnWidths_.empty())
        return {};
    const int columns = size_ ? size_().columns : 0;
    std::size_t rows = 0;
    for (const std::size_t width : drawnWidths_)
        rows += columns > 0 && width > 0 ? (width + columns - 1) / columns : 1;
    drawnWidths_.clear();
    return "\033[" + std::to_string(rows) + "A\r\033[J";
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
    if (!force && !drawnWidths_.empty() && now - lastDrawn_ < kProgressRedraw) {
        if (!changed_ && changedHook_)
            changedHook_();   // drawn at the next wake-up
        changed_ = true;
        return;
    }
    changed_ = false;
    lastDrawn_ = now;
    std::string screen = erased();
    const os::TerminalSize size = size_ ? size_() : os::TerminalSize{};
    std::vector<std::string> shownLines = lines_(size);
    // The cursor cannot move above the screen: a block taller than the rows
    // above the cursor could not be erased, and every redraw would scroll.
    if (size.rows > 0 && shownLines.size() >= static_cast<std::size_t>(size.rows))
        shownLines.resize(static_cast<std::size_t>(size.rows) - 1);
    for (const std::string& line : shownLines) {
        screen += line + "\n";
        drawnWidths_.push_back(visibleWidth(line));
    }
    write(screen);
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

// The live block at the bottom of a terminal: lines erased and drawn again
// in place, messages scrolled above them, never a line wider than a row nor
// more lines than the rows above the cursor, and drawn at most ten times a
// second. Its owner holds its own lock around every call.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "os/terminal.h"

namespace zorvane::cli {

struct BoardStyle {
    bool live = false;     // a terminal: the live block; else plain lines
    bool colour = false;   // green success, red failure, bold headings
    bool quiet = false;
};

inline constexpr const char* kGreen = "\033[32m";
inline constexpr const char* kRed = "\033[31m";
inline constexpr const char* kYellow = "\033[33m";
inline constexpr const char* kPlain = "\033[0m";

class LiveBlock {
public:
    // The block's lines for a terminal of the given size.
    using Lines = std::function<std::vector<std::string>(os::TerminalSize)>;

    // size: the terminal's rows and columns now (0: unknown), asked at every
    // redraw; changed: called (from any thread) when something waits to be
    // drawn at the next wake-up.
    LiveBlock(BoardStyle style, std::FILE* out, std::function<os::TerminalSize()> size,
              std::function<void()> changed, Lines lines);

    const BoardStyle& style() const { return style_; }
    // A line as the terminal shows it: cut a column short of the row (a line
    // that wrapped would leave its second row behind when erased; a row of
    // one column shows none), coloured only when asked.
    std::string shown(std::string text, const char* colour, int columns) const;
    // Draws the block again, or only notes the change when it was drawn
    // less than kProgressRedraw ago (force: now).
    void redraw(bool force);
    // Text above the block, which is drawn again below it.
    void scroll(const std::string& text);
    // Text above the block, drawn again with the next change.
    void note(const std::string& text);
    // The session's wake-up: draws what changed, everything when resized;
    // returns when it wants the next one.
    std::optional<std::chrono::steady_clock::time_point> wake(bool resized);
    void write(const std::string& text);

private:
    // Moves up over the block and clears it. A terminal that was narrowed
    // since may have wrapped each line onto more rows: they count too.
    std::string erased();

    const BoardStyle style_;
    std::FILE* const out_;
    const std::function<os::TerminalSize()> size_;
    const std::function<void()> changedHook_;
    const Lines lines_;
    bool changed_ = false;   // something the block shows changed since it was drawn
    std::vector<std::size_t> drawnWidths_;   // the block's lines on the screen, in columns
    std::chrono::steady_clock::time_point lastDrawn_;
};

} // namespace zorvane::cli

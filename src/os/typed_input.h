// Lines typed (or scanned) at a terminal while a live block is drawn below
// the messages: the terminal's own echo and line editing are off while this
// lives, and the line so far is handed over after each key to be drawn with
// the block, so that a redraw never wipes half a label. Other input (a
// pipe, a file) comes as whole lines.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace zorvane::os {

class TypedInput {
public:
    // drawn: the line so far is drawn by the caller; else the terminal
    // keeps echoing and editing the line itself.
    explicit TypedInput(bool drawn);
    ~TypedInput();   // gives the terminal its modes back
    TypedInput(const TypedInput&) = delete;
    TypedInput& operator=(const TypedInput&) = delete;

    // The next whole line without its line end; none at the end of input or
    // on a stop request. typing hears the line so far after each key, where
    // the keys are read one by one (Backspace removes one, Ctrl-U them all).
    std::optional<std::string> readLine(const std::stop_token& stop,
                                        const std::function<void(const std::string&)>& typing);

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;   // none: not a terminal, nothing changed
};

} // namespace zorvane::os

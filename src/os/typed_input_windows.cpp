#include "os/typed_input.h"

#include "os/signal_wait.h"

namespace zorvane::os {

// The console edits and echoes the line itself: it comes whole.
struct TypedInput::Saved {};

TypedInput::TypedInput(bool) {}
TypedInput::~TypedInput() = default;

std::optional<std::string> TypedInput::readLine(const std::stop_token& stop,
                                                const std::function<void(const std::string&)>&)
{
    return ReadInputLine(stop).line;
}

} // namespace zorvane::os

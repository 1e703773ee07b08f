#include "os/typed_input.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace zorvane::os {

namespace {

constexpr char kBackspace = 0x08;
constexpr char kDelete = 0x7F;
constexpr char kKill = 0x15;   // Ctrl-U
constexpr char kEndOfInput = 0x04;   // Ctrl-D, as the terminal's own line editing reads it

// A pipe that a stop request writes a byte into, to end the wait for a key.
// Declared before the stop callback that writes into it, so that the
// callback is gone (and done) before the pipe is closed.
struct StopPipe {
    StopPipe()
    {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            fds[0] = fds[1] = -1;
    }
    ~StopPipe()
    {
        if (fds[0] >= 0) {
            ::close(fds[0]);
            ::close(fds[1]);
        }
    }
    int fds[2] = {-1, -1};
};

} // namespace

struct TypedInput::Saved {
    termios modes{};
};

TypedInput::TypedInput(bool drawn)
{
    termios modes{};
    if (!drawn || ::isatty(STDIN_FILENO) == 0 || ::tcgetattr(STDIN_FILENO, &modes) != 0)
        return;
    saved_ = std::make_unique<Saved>(Saved{modes});
    // Ctrl-C still signals: only echo and line editing are taken over.
    modes.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &modes);
}

TypedInput::~TypedInput()
{
    if (saved_)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_->modes);
}

std::optional<std::string> TypedInput::readLine(const std::stop_token& stop,
                                                const std::function<void(const std::string&)>& typing)
{
    const StopPipe stopped;
    if (stopped.fds[0] < 0)
        return std::nullopt;
    const std::stop_callback onStop(stop, [&stopped] {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(stopped.fds[1], &byte, 1);
    });
    std::optional<std::string> result;
    std::string line;
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {stopped.fds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents != 0)
            break;
        if (fds[0].revents == 0)
            continue;
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) <= 0 || (saved_ && c == kEndOfInput && line.empty())) {
            // The end of input: a last line without its line end still counts.
            if (!line.empty())
                result = line;
            break;
        }
        if (c == kEndOfInput)
            continue;
        if (c == '\n' || (c == '\r' && saved_)) {
            result = line;
            break;
        }
        if (c == kBackspace || c == kDelete) {
            if (!line.empty())
                line.pop_back();
        } else if (c == kKill) {
            line.clear();
        } else if (c != '\r') {
            line.push_back(c);
        }
        if (saved_ && typing)
            typing(line);
    }
    return result;
}

} // namespace zorvane::os

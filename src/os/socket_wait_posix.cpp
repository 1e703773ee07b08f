#include "os/socket_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace zorvane::os {

struct SocketWaiter::Handles {
    int pipe[2] = {-1, -1};   // wake() writes a byte; the wait reads it
};

SocketWaiter::SocketWaiter() : handles_(std::make_unique<Handles>())
{
    if (::pipe2(handles_->pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot make a wake-up pipe");
}

SocketWaiter::~SocketWaiter()
{
    ::close(handles_->pipe[0]);
    ::close(handles_->pipe[1]);
}

void SocketWaiter::wake()
{
    const char byte = 1;
    // A full pipe already holds a wake-up: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(handles_->pipe[1], &byte, 1);
}

SocketReady SocketWaiter::wait(long long socket, SocketDirection direction,
                               std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    for (;;) {
        pollfd fds[2] = {{static_cast<int>(socket), static_cast<short>(direction == SocketDirection::Read ? POLLIN : POLLOUT), 0},
                         {handles_->pipe[0], POLLIN, 0}};
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()) + milliseconds(1);
        const int ready = ::poll(fds, 2, static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return SocketReady::Failed;
        if (fds[1].revents != 0)
            return SocketReady::Woken;   // left in the pipe: every later wait ends too
        if (fds[0].revents != 0)
            return SocketReady::Ready;
        if (steady_clock::now() >= deadline)
            return SocketReady::TimedOut;
    }
}

} // namespace zorvane::os

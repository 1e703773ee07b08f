#include "os/signal_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace zorvane::os {

namespace {

// A pipe that one thread writes a byte into to end another's poll.
struct WakePipe {
    WakePipe()
    {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error("cannot make a wake-up pipe");
    }
    ~WakePipe()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    void wake() const
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fds[1], &byte, 1);   // full: a wake-up is pending anyway
    }
    void drain() const
    {
        char bytes[64];
        while (::read(fds[0], bytes, sizeof bytes) > 0) {
        }
    }
    int fds[2] = {-1, -1};
};

int pollTimeout(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

// What one signal read from the signalfd means; none when none was waiting.
std::optional<WaitEvent> takeSignal(int signals)
{
    signalfd_siginfo info{};
    if (::read(signals, &info, sizeof info) != static_cast<ssize_t>(sizeof info))
        return std::nullopt;
    switch (info.ssi_signo) {
    case SIGWINCH: return WaitEvent::Resize;
    case SIGHUP: return WaitEvent::HangUp;
    default: return WaitEvent::Stop;
    }
}

} // namespace

struct SignalWait::Handles {
    int signals = -1;   // signalfd of the blocked signals
    WakePipe woken;
};

SignalWait::SignalWait() : handles_(std::make_unique<Handles>())
{
    sigset_t taken;
    sigemptyset(&taken);
    sigaddset(&taken, SIGINT);
    sigaddset(&taken, SIGTERM);
    sigaddset(&taken, SIGHUP);
    sigaddset(&taken, SIGWINCH);
    ::pthread_sigmask(SIG_BLOCK, &taken, nullptr);
    handles_->signals = ::signalfd(-1, &taken, SFD_CLOEXEC | SFD_NONBLOCK);
    if (handles_->signals < 0)
        throw std::runtime_error("cannot watch the stop signals");
}

SignalWait::~SignalWait()
{
    ::close(handles_->signals);
}

void SignalWait::wake()
{
    handles_->woken.wake();
}

WaitEvent SignalWait::wait(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    for (;;) {
        pollfd fds[2] = {{handles_->signals, POLLIN, 0}, {handles_->woken.fds[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, pollTimeout(deadline));
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error("cannot wait for the stop signals");
        if (fds[0].revents != 0)
            if (const std::optional<WaitEvent> signal = takeSignal(handles_->signals))
                return *signal;
        if (fds[1].revents != 0) {
            handles_->woken.drain();
            return WaitEvent::Woken;
        }
        if (deadline && std::chrono::steady_clock::now() >= *deadline)
            return WaitEvent::Timeout;
    }
}

struct InputAccess {
    static int signals(SignalWait* wait) { return wait != nullptr ? wait->handles_->signals : -1; }
};

InputLine ReadInputLine(const std::stop_token& stop, SignalWait* signalWait)
{
    WakePipe stopped;
    const std::stop_callback onStop(stop, [&stopped] { stopped.wake(); });
    std::string line;
    for (;;) {
        pollfd fds[3] = {{STDIN_FILENO, POLLIN, 0}, {stopped.fds[0], POLLIN, 0}, {InputAccess::signals(signalWait), POLLIN, 0}};
        if (::poll(fds, signalWait != nullptr ? 3 : 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return {};
        }
        if (fds[1].revents != 0)
            return {};
        // A resize while a label is typed changes nothing here; a hang-up
        // leaves nobody to type the rest.
        if (fds[2].revents != 0)
            if (const std::optional<WaitEvent> signal = takeSignal(fds[2].fd);
                signal == WaitEvent::Stop || signal == WaitEvent::HangUp)
                return {std::nullopt, true};
        if (fds[0].revents == 0)
            continue;
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            return {};   // end of input: nobody is there to answer
        if (c == '\n')
            return {line, false};
        if (c != '\r')
            line.push_back(c);
    }
}

bool InputIsTerminal()
{
    return ::isatty(STDIN_FILENO) != 0;
}

bool OutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) != 0;
}

} // namespace zorvane::os

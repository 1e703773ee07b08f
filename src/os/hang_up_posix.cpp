#include "os/hang_up.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <stdexcept>

namespace zorvane::os {

HangUpSignal::HangUpSignal()
{
    sigset_t hangUp;
    sigemptyset(&hangUp);
    sigaddset(&hangUp, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &hangUp, nullptr);
    descriptor_ = ::signalfd(-1, &hangUp, SFD_CLOEXEC | SFD_NONBLOCK);
    if (descriptor_ < 0)
        throw std::runtime_error("cannot watch for a hang-up");
}

HangUpSignal::~HangUpSignal()
{
    ::close(descriptor_);
}

void HangUpSignal::take()
{
    signalfd_siginfo info{};
    while (::read(descriptor_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
}

} // namespace zorvane::os

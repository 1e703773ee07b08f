#include "os/process_signals.h"

#include <pthread.h>
#include <signal.h>

#include <stdexcept>

namespace zorvane::os {

namespace {

// Runs in the child of every fork (GnuPG's engine forks gpg and gpgconf
// from whichever thread asked): only async-signal-safe calls.
void cleanChildSignals()
{
    struct sigaction byDefault{};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            ::sigaction(signal, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

} // namespace

void SetUpProcessSignals()
{
    ::signal(SIGPIPE, SIG_IGN);
    // An ignored SIGCHLD, inherited from the parent, makes the system reap
    // children itself: waitpid would never learn how a helper ended.
    struct sigaction child{};
    if (::sigaction(SIGCHLD, nullptr, &child) == 0 && child.sa_handler == SIG_IGN)
        ::signal(SIGCHLD, SIG_DFL);
    if (::pthread_atfork(nullptr, nullptr, cleanChildSignals) != 0)
        throw std::runtime_error("cannot clean the signals of child processes");
}

} // namespace zorvane::os

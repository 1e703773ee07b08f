// Waiting on a condition variable until a condition holds, a deadline
// passes or a stop is requested.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "link/clock.h"

namespace zorvane::link {

#ifdef _WIN32
// With MinGW-w64's threads a stop callback that ends while the stop request
// is still running it can wait for ever (seen under wine): there a waiter
// registers none and looks at the stop request at least this often.
inline constexpr auto kStopCheck = std::chrono::milliseconds(50);
#endif

// Returns done() as it stands at the end.
template <typename Done>
bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop,
               Clock::time_point deadline, Done done)
{
#ifndef _WIN32
    // Notifies under the waiter's mutex, so that no stop request is missed
    // between a check and the wait. Registered before the lock is taken: a
    // stop requested already runs it here.
    std::stop_callback wake(stop, [&] {
        std::lock_guard notifying(mutex);
        changed.notify_all();
    });
#endif
    std::unique_lock lock(mutex);
    while (!done() && !stop.stop_requested() && Clock::time_point::clock::now() < deadline) {
#ifdef _WIN32
        changed.wait_until(lock, std::min(deadline, Clock::time_point::clock::now() + kStopCheck));
#else
        changed.wait_until(lock, deadline);
#endif
    }
    return done();
}

// The same without a deadline: a question may wait for its operator all day.
template <typename Done>
bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop, Done done)
{
    constexpr auto kLongerThanAnyWait = std::chrono::hours(24 * 365);
    return WaitUntil(mutex, changed, stop, Clock::time_point::clock::now() + kLongerThanAnyWait, done);
}

} // namespace zorvane::link

// Waiting on a condition variable until a condition holds, a deadline
// passes or a stop is requested. How a stop wakes the wait differs between
// the systems: each has a file of its own.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>

#include "link/clock.h"

namespace zorvane::link {

// Returns done() as it stands at the end. done is called under the mutex.
bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop,
               Clock::time_point deadline, const std::function<bool()>& done);

// The same without a deadline: a question may wait for its operator all day.
bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop,
               const std::function<bool()>& done);

} // namespace zorvane::link

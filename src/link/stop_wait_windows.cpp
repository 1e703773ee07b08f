#include "link/stop_wait.h"

#include <algorithm>

namespace zorvane::link {

namespace {

// With MinGW-w64's threads a stop callback that ends while the stop request
// is still running it can wait for ever (seen under wine): here a waiter
// registers none and looks at the stop request at least this often.
constexpr auto kStopCheck = std::chrono::milliseconds(50);

} // namespace

bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop,
               Clock::time_point deadline, const std::function<bool()>& done)
{
    std::unique_lock lock(mutex);
    while (!done() && !stop.stop_requested() && Clock::time_point::clock::now() < deadline)
        changed.wait_until(lock, std::min(deadline, Clock::time_point::clock::now() + kStopCheck));
    return done();
}

} // namespace zorvane::link

#include "link/stop_wait.h"

namespace zorvane::link {

bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop,
               const std::function<bool()>& done)
{
    constexpr auto kLongerThanAnyWait = std::chrono::hours(24 * 365);
    return WaitUntil(mutex, changed, stop, Clock::time_point::clock::now() + kLongerThanAnyWait, done);
}

} // namespace zorvane::link

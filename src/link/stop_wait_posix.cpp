#include "link/stop_wait.h"

namespace zorvane::link {

bool WaitUntil(std::mutex& mutex, std::condition_variable& changed, std::stop_token stop,
               Clock::time_point deadline, const std::function<bool()>& done)
{
    // Notifies under the waiter's mutex, so that no stop request is missed
    // between a check and the wait. Registered before the lock is taken: a
    // stop requested already runs it here.
    std::stop_callback wake(stop, [&] {
        std::lock_guard notifying(mutex);
        changed.notify_all();
    });
    std::unique_lock lock(mutex);
    while (!done() && !stop.stop_requested() && Clock::time_point::clock::now() < deadline)
        changed.wait_until(lock, deadline);
    return done();
}

} // namespace zorvane::link

#include "link/clock.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace zorvane::link {

bool SteadyClock::sleepUntil(time_point deadline, std::stop_token stop)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    // Nothing notifies but a stop request, which wait_until hears by itself.
    wake.wait_until(lock, stop, deadline, [] { return false; });
    return !stop.stop_requested();
}

std::string SecondsText(Seconds elapsed)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", elapsed.count());
    return text;
}

} // namespace zorvane::link

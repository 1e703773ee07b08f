#include "link/clock.h"

#include <cstdio>

#include "link/stop_wait.h"

namespace zorvane::link {

bool SteadyClock::sleepUntil(time_point deadline, std::stop_token stop)
{
    std::mutex mutex;
    std::condition_variable wake;   // nothing notifies it but a stop request
    WaitUntil(mutex, wake, stop, deadline, [] { return false; });
    return !stop.stop_requested();
}

std::string SecondsText(Seconds elapsed)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", elapsed.count());
    return text;
}

std::string WholeSecondsText(std::chrono::seconds limit)
{
    return std::to_string(limit.count()) + " s";
}

} // namespace zorvane::link

#include "link/timed_wait.h"

namespace zorvane::link {

void TimedWait(RadioLink& link, std::int32_t seconds)
{
    if (seconds < 1)
        return;
    link.pause(std::chrono::seconds(seconds));
}

} // namespace zorvane::link

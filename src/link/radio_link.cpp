#include "link/radio_link.h"

namespace zorvane::link {

void RadioLink::checkCancelled() const
{
    if (stop.stop_requested())
        throw RunCancelled{};
}

bool RadioLink::awaitReceive(Clock::time_point deadline)
{
    checkCancelled();
    const bool reached = port.waitForReceive(deadline, stop);
    checkCancelled();
    return reached;
}

void RadioLink::pause(Clock::duration length)
{
    checkCancelled();
    clock.sleepUntil(clock.now() + length, stop);
    checkCancelled();
}

} // namespace zorvane::link

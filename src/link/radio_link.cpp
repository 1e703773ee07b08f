#include "link/radio_link.h"

#include "link/command_link.h"

namespace zorvane::link {

void RadioLink::checkCancelled() const
{
    if (stop.stop_requested())
        throw RunCancelled{};
}

void RadioLink::awaitReceive(Clock::time_point deadline)
{
    checkCancelled();
    bool reached = port.waitForReceive(deadline, stop);
    checkCancelled();
    if (reached)
        MSComm1_OnComm(*this, kComEvReceive);
}

void RadioLink::pause(Clock::duration length)
{
    checkCancelled();
    clock.sleepUntil(clock.now() + length, stop);
    checkCancelled();
}

} // namespace zorvane::link

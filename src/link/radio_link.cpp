#include "link/radio_link.h"

namespace zorvane::link {

void RadioLink::checkCancelled() const
{
    if (stop.stop_requested())
        throw RunCancelled{};
}

std::vector<std::uint8_t> RadioLink::receive(std::size_t count, Clock::time_point deadline)
{
    checkCancelled();
    std::vector<std::uint8_t> bytes = port.read(count, deadline, stop);
    checkCancelled();
    return bytes;
}

void RadioLink::pause(Clock::duration length)
{
    checkCancelled();
    clock.sleepUntil(clock.now() + length, stop);
    checkCancelled();
}

} // namespace zorvane::link

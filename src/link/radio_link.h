// What every reply wait of a flash run shares: the port, the clock and the
// request to stop the run.
#pragma once

#include <stop_token>

#include "link/clock.h"
#include "link/serial_port.h"

namespace zorvane::link {

// Thrown out of a wait when the run has been asked to stop; the run then
// leaves through its closing steps.
struct RunCancelled {};

class RadioLink {
public:
    RadioLink(SerialPort& port, Clock& clock, std::stop_token stop)
        : port(port), clock(clock), stop(std::move(stop))
    {
    }

    // The first `count` bytes to arrive, or fewer once the deadline has
    // passed. Throws RunCancelled.
    std::vector<std::uint8_t> receive(std::size_t count, Clock::time_point deadline);
    // Sleeps for the given time. Throws RunCancelled.
    void pause(Clock::duration length);
    // Throws RunCancelled when the run has been asked to stop.
    void checkCancelled() const;

    Seconds elapsedSince(Clock::time_point start) const { return clock.now() - start; }

    SerialPort& port;
    Clock& clock;
    std::stop_token stop;
};

} // namespace zorvane::link

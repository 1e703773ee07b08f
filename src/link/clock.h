// Monotonic time for every wait of a flash run. The run never looks at the
// time of day, so a clock change during a run cannot disturb a wait.
#pragma once

#include <chrono>
#include <stop_token>
#include <string>

namespace zorvane::link {

class Clock {
public:
    using duration = std::chrono::steady_clock::duration;
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual time_point now() const = 0;
    // Sleeps until deadline. Returns false at once when stop is requested.
    virtual bool sleepUntil(time_point deadline, std::stop_token stop) = 0;
};

class SteadyClock final : public Clock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
    bool sleepUntil(time_point deadline, std::stop_token stop) override;
};

// Elapsed time in fractional seconds, as the reply waits measure it.
using Seconds = std::chrono::duration<double>;

// "3.4 s": a wait's length for the operator, to a tenth of a second.
std::string SecondsText(Seconds elapsed);
// "3 s": a time limit for the operator.
std::string WholeSecondsText(std::chrono::seconds limit);

} // namespace zorvane::link

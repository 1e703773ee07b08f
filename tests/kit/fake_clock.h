// A clock that only moves when a wait moves it: a wait jumps straight to
// the next thing that happens, so a 12 s time-out takes microseconds.
#pragma once

#include <atomic>

#include "link/clock.h"

namespace zorvane::testkit {

class FakeClock final : public link::Clock {
public:
    FakeClock() : ticks_(kStart.time_since_epoch().count()) {}

    time_point now() const override { return time_point(duration(ticks_.load())); }

    bool sleepUntil(time_point deadline, std::stop_token stop) override
    {
        if (stop.stop_requested())
            return false;
        advanceTo(deadline);
        return true;
    }

    void advanceTo(time_point when)
    {
        auto target = when.time_since_epoch().count();
        auto current = ticks_.load();
        while (target > current && !ticks_.compare_exchange_weak(current, target)) {
        }
    }

    // Seconds since the clock was made.
    double seconds() const { return link::Seconds(now() - kStart).count(); }
    static double secondsAt(time_point when) { return link::Seconds(when - kStart).count(); }

    static constexpr time_point kStart = time_point(std::chrono::hours(100));

private:
    std::atomic<duration::rep> ticks_;
};

} // namespace zorvane::testkit

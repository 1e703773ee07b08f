// An image stage's speed in bytes a second, over the time the run was
// sending: while a question waits for the operator nothing is sent, so the
// time it stayed open is left out and a slow answer does not look like a
// slow line.
#pragma once

#include <chrono>
#include <cstddef>

namespace zorvane::cli {

class StageRate {
public:
    using time_point = std::chrono::steady_clock::time_point;

    void start(time_point now) { start_ = now; }
    // A question asked at `asked` was answered at `answered`.
    void leaveOut(time_point asked, time_point answered) { start_ += answered - asked; }
    // 0 until some time has passed.
    double bytesPerSecond(std::size_t bytes, time_point now) const;

private:
    time_point start_{};
};

} // namespace zorvane::cli

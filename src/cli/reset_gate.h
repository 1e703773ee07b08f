// One reset prompt for several radios: every run that reaches its reset
// prompt waits here until all the others have reached theirs (or ended
// before it), then the operator is asked once, on the thread of a run that
// waits, and the answer goes to all. A run that ends only says so: the
// question is never asked from there.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace zorvane::cli {

class ResetGate {
public:
    // Asks the operator to reset the radios on the given ports.
    using Ask = std::function<Answer(const std::vector<std::string>& ports, std::stop_token stop)>;

    ResetGate(std::vector<std::string> ports, Ask ask);

    // Run `index` has reached its prompt; returns the operator's answer, or
    // Stop as soon as stop is requested.
    Answer arrive(std::size_t index, std::stop_token stop);
    // Run `index` has ended; if it never reached the prompt, nobody waits for it.
    void leave(std::size_t index);

private:
    // Every run has reached its prompt or ended.
    bool allAreIn() const;

    const std::vector<std::string> ports_;
    const Ask ask_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> arrived_;
    std::vector<bool> left_;
    bool asking_ = false;   // a waiting run is asking the operator
    std::optional<Answer> answer_;
};

} // namespace zorvane::cli

#include "cli/reset_gate.h"


#include "link/stop_wait.h"

namespace zorvane::cli {

ResetGate::ResetGate(std::vector<std::string> ports, Ask ask)
    : ports_(std::move(ports)), ask_(std::move(ask)), arrived_(ports_.size()), left_(ports_.size())
{
}

bool ResetGate::allAreIn() const
{
    for (std::size_t i = 0; i < ports_.size(); ++i)
        if (!arrived_[i] && !left_[i])
            return false;
    return true;
}

Answer ResetGate::arrive(std::size_t index, std::stop_token stop)
{
    std::vector<std::string> waiting;
    {
        const std::lock_guard lock(mutex_);
        arrived_[index] = true;
    }
    changed_.notify_all();
    // The first waiting run to see everybody in asks; the others wait for its answer.
    link::WaitUntil(mutex_, changed_, stop, [&] {
        if (answer_ || asking_ || !allAreIn())
            return answer_.has_value();
        asking_ = true;
        for (std::size_t i = 0; i < ports_.size(); ++i)
            if (arrived_[i])
                waiting.push_back(ports_[i]);
        return true;
    });
    if (!waiting.empty()) {
        const Answer answer = ask_(waiting, stop);
        {
            const std::lock_guard lock(mutex_);
            answer_ = answer;
        }
        changed_.notify_all();
        return answer;
    }
    const std::lock_guard lock(mutex_);
    return answer_.value_or(Answer::Stop);
}

void ResetGate::leave(std::size_t index)
{
    {
        const std::lock_guard lock(mutex_);
        if (arrived_[index])
            return;
        left_[index] = true;
    }
    changed_.notify_all();
}

} // namespace zorvane::cli

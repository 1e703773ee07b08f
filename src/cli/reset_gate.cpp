#include "cli/reset_gate.h"

#include <algorithm>

#include "link/stop_wait.h"

namespace zorvane::cli {

ResetGate::ResetGate(std::vector<std::string> ports, Ask ask)
    : ports_(std::move(ports)), ask_(std::move(ask)), arrived_(ports_.size()), left_(ports_.size())
{
}

void ResetGate::askWhenAllAreIn(std::unique_lock<std::mutex>& lock, std::stop_token stop)
{
    std::vector<std::string> waiting;
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        if (!arrived_[i] && !left_[i])
            return;   // somebody is still on the way
        if (arrived_[i])
            waiting.push_back(ports_[i]);
    }
    if (waiting.empty() || asking_ || answer_)
        return;
    asking_ = true;
    lock.unlock();
    const Answer answer = ask_(waiting, stop);
    lock.lock();
    answer_ = answer;
    changed_.notify_all();
}

Answer ResetGate::arrive(std::size_t index, std::stop_token stop)
{
    {
        std::unique_lock lock(mutex_);
        arrived_[index] = true;
        askWhenAllAreIn(lock, stop);
    }
    link::WaitUntil(mutex_, changed_, stop, [this] { return answer_.has_value(); });
    std::lock_guard lock(mutex_);
    return answer_.value_or(Answer::Stop);
}

void ResetGate::leave(std::size_t index, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    if (arrived_[index])
        return;
    left_[index] = true;
    askWhenAllAreIn(lock, stop);
}

} // namespace zorvane::cli

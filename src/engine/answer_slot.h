// One question's answer, handed from the thread that asks the operator to
// the run's thread that waits for it.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

#include "engine/run_host.h"
#include "link/stop_wait.h"

namespace zorvane {

class AnswerSlot {
public:
    // The first answer given counts.
    void give(Answer answer)
    {
        {
            std::lock_guard lock(mutex_);
            if (!answer_)
                answer_ = answer;
        }
        given_.notify_all();
    }

    // The answer, or Stop as soon as stop is requested.
    Answer wait(std::stop_token stop)
    {
        link::WaitUntil(mutex_, given_, stop, [this] { return answer_.has_value(); });
        std::lock_guard lock(mutex_);
        return answer_.value_or(Answer::Stop);
    }

private:
    std::mutex mutex_;
    std::condition_variable given_;
    std::optional<Answer> answer_;
};

// The asking side of a slot, to be carried to the thread that asks. When
// the last copy goes without an answer (a question that was dropped
// unanswered), it answers Stop, so the waiting run never hangs.
class AnswerPromise {
public:
    explicit AnswerPromise(std::shared_ptr<AnswerSlot> slot) : guard_(std::make_shared<Guard>(std::move(slot))) {}
    void give(Answer answer) const { guard_->slot->give(answer); }

private:
    struct Guard {
        explicit Guard(std::shared_ptr<AnswerSlot> slot) : slot(std::move(slot)) {}
        ~Guard() { slot->give(Answer::Stop); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        std::shared_ptr<AnswerSlot> slot;
    };
    std::shared_ptr<Guard> guard_;
};

} // namespace zorvane

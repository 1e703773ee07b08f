// A RunHost that remembers every event of a run, and answers its questions
// from a script (go on unless told otherwise).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/run_host.h"

namespace zorvane::testkit {

class RecordingHost final : public RunHost {
public:
    void stageStarted(RunStage stage) override;
    void progress(const RunProgress& progress) override;
    void statusChanged(const std::string& text) override;
    void resultsCleared() override;
    void resultReady(ResultBox box, const std::string& text) override;
    Answer confirmReset(const Message& prompt, std::stop_token stop) override;
    Answer askOnLineError(const LineErrorQuestion& question, std::stop_token stop) override;
    void showFailure(const RunFailure& failure, std::stop_token stop) override;
    void showSuccess(const Message& message, std::stop_token stop) override;

    // Answers for the questions to come, in order; go on once they run out.
    std::deque<Answer> answers;
    // Called for every message (question or ending) before it is answered.
    std::function<void(const Message&)> onMessage;

    // Every message the run showed, in order.
    std::vector<Message> messages() const;
    std::vector<MessageId> messageIds() const;
    std::vector<RunFailure> failures() const;
    std::vector<LineErrorQuestion> lineErrors() const;
    std::vector<RunStage> stages() const;
    std::vector<std::string> statusTexts() const;
    std::vector<RunProgress> progressEvents() const;
    std::vector<double> progress() const;
    std::string result(ResultBox box) const;
    // Result boxes that hold text, in the window's order.
    std::vector<ResultBox> filledResults() const;

private:
    Answer record(const Message& message);
    // A copy of a member, taken under the lock: the run writes from its own thread.
    template <typename T>
    T locked(const T& member) const
    {
        std::lock_guard lock(mutex_);
        return member;
    }

    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    std::vector<RunFailure> failures_;
    std::vector<LineErrorQuestion> lineErrors_;
    std::vector<RunStage> stages_;
    std::vector<std::string> status_;
    std::vector<RunProgress> progress_;
    std::map<ResultBox, std::string> results_;
};

} // namespace zorvane::testkit

#include "kit/recording_host.h"

namespace zorvane::testkit {

namespace {
constexpr ResultBox kResultBoxes[] = {ResultBox::BootVers, ResultBox::BootCsum, ResultBox::Config,
                                      ResultBox::EepromCsum, ResultBox::FirmwareCsum};
}

Answer RecordingHost::record(const Message& message)
{
    std::function<void(const Message&)> hook;
    Answer answer = Answer::GoOn;
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        hook = onMessage;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
    }
    if (hook)
        hook(message);
    return answer;
}

void RecordingHost::stageStarted(RunStage stage)
{
    std::lock_guard lock(mutex_);
    stages_.push_back(stage);
}

void RecordingHost::progress(const RunProgress& progress)
{
    std::lock_guard lock(mutex_);
    progress_.push_back(progress);
}

void RecordingHost::statusChanged(const std::string& text)
{
    std::lock_guard lock(mutex_);
    status_.push_back(text);
}

void RecordingHost::resultsCleared()
{
    std::lock_guard lock(mutex_);
    results_.clear();
}

void RecordingHost::resultReady(ResultBox box, const std::string& text)
{
    std::lock_guard lock(mutex_);
    results_[box] = text;
}

Answer RecordingHost::confirmReset(const Message& prompt, std::stop_token)
{
    return record(prompt);
}

Answer RecordingHost::askOnLineError(const LineErrorQuestion& question, std::stop_token)
{
    {
        std::lock_guard lock(mutex_);
        lineErrors_.push_back(question);
    }
    return record(question.message);
}

void RecordingHost::showFailure(const RunFailure& failure, std::stop_token)
{
    {
        std::lock_guard lock(mutex_);
        failures_.push_back(failure);
    }
    record(failure.message);
}

void RecordingHost::showSuccess(const Message& message, std::stop_token)
{
    record(message);
}

std::vector<Message> RecordingHost::messages() const
{
    return locked(messages_);
}

std::vector<MessageId> RecordingHost::messageIds() const
{
    std::vector<MessageId> ids;
    for (const Message& message : messages())
        ids.push_back(message.id);
    return ids;
}

std::vector<RunFailure> RecordingHost::failures() const
{
    return locked(failures_);
}

std::vector<LineErrorQuestion> RecordingHost::lineErrors() const
{
    return locked(lineErrors_);
}

std::vector<RunStage> RecordingHost::stages() const
{
    return locked(stages_);
}

std::vector<std::string> RecordingHost::statusTexts() const
{
    return locked(status_);
}

std::vector<RunProgress> RecordingHost::progressEvents() const
{
    return locked(progress_);
}

std::vector<double> RecordingHost::progress() const
{
    std::vector<double> percents;
    for (const RunProgress& p : progressEvents())
        percents.push_back(p.percent);
    return percents;
}

std::string RecordingHost::result(ResultBox box) const
{
    std::lock_guard lock(mutex_);
    auto found = results_.find(box);
    return found == results_.end() ? std::string() : found->second;
}

std::vector<ResultBox> RecordingHost::filledResults() const
{
    std::vector<ResultBox> filled;
    for (ResultBox box : kResultBoxes)
        if (!result(box).empty())
            filled.push_back(box);
    return filled;
}

} // namespace zorvane::testkit

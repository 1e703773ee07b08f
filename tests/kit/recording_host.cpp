#include "kit/recording_host.h"

namespace zorvane::testkit {

BoxButton RecordingHost::MsgBox(const std::string& text, BoxStyle style, const std::string& title)
{
    ShownBox box{text, style, title};
    std::function<void(const ShownBox&)> hook;
    BoxButton answer = BoxButton::Ok;
    {
        std::lock_guard lock(mutex_);
        boxes_.push_back(box);
        hook = onBox;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
    }
    if (hook)
        hook(box);
    return answer;
}

void RecordingHost::setProgress(double percent)
{
    std::lock_guard lock(mutex_);
    progress_.push_back(percent);
}

void RecordingHost::setStatusText(const std::string& text)
{
    std::lock_guard lock(mutex_);
    status_.push_back(text);
}

void RecordingHost::setResultBox(ResultBox box, const std::string& text)
{
    std::lock_guard lock(mutex_);
    results_[box] = text;
}

void RecordingHost::setCommMenuEnabled(bool enabled)
{
    std::lock_guard lock(mutex_);
    comm_.push_back(enabled);
}

std::vector<ShownBox> RecordingHost::boxes() const
{
    std::lock_guard lock(mutex_);
    return boxes_;
}

std::vector<std::string> RecordingHost::titles() const
{
    std::vector<std::string> titles;
    for (const ShownBox& box : boxes())
        titles.push_back(box.title);
    return titles;
}

std::vector<std::string> RecordingHost::statusTexts() const
{
    std::lock_guard lock(mutex_);
    return status_;
}

std::vector<double> RecordingHost::progress() const
{
    std::lock_guard lock(mutex_);
    return progress_;
}

std::vector<bool> RecordingHost::commMenuStates() const
{
    std::lock_guard lock(mutex_);
    return comm_;
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
    for (ResultBox box : {ResultBox::BootVers, ResultBox::BootCsum, ResultBox::Config,
                          ResultBox::EepromCsum, ResultBox::FirmwareCsum})
        if (!result(box).empty())
            filled.push_back(box);
    return filled;
}

} // namespace zorvane::testkit

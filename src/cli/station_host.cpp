#include "cli/station_host.h"

#include "cli/line_error_policy.h"
#include "cli/run_text.h"

namespace zorvane::cli {

StationHost::StationHost(std::size_t index, StationBoard& board, const CliOptions& options,
                         std::function<void()> armed)
    : index_(index), board_(board), options_(options), armedHook_(std::move(armed))
{
}

void StationHost::begin()
{
    std::lock_guard lock(mutex_);
    armed_ = go_ = scanned_ = false;
}

bool StationHost::go()
{
    std::lock_guard lock(mutex_);
    if (!armed_)
        return false;
    go_ = true;
    changed_.notify_all();
    return true;
}

bool StationHost::armed()
{
    std::lock_guard lock(mutex_);
    return armed_;
}

bool StationHost::scanned()
{
    std::lock_guard lock(mutex_);
    return scanned_;
}

std::string StationHost::unavailable()
{
    std::lock_guard lock(mutex_);
    return unavailable_;
}

void StationHost::stageStarted(RunStage stage)
{
    board_.stageStarted(index_, stage);
}

void StationHost::progress(const RunProgress& progress)
{
    board_.progress(index_, progress);
}

Answer StationHost::confirmReset(const Message&, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    armed_ = true;
    unavailable_.clear();
    shownReason_.clear();
    lock.unlock();
    board_.state(index_, StationState::Armed);
    armedHook_();
    lock.lock();
    changed_.wait(lock, stop, [this] { return go_; });
    armed_ = false;
    if (!go_)
        return Answer::Stop;
    scanned_ = true;
    return Answer::GoOn;
}

Answer StationHost::askOnLineError(const LineErrorQuestion& question, std::stop_token)
{
    showMessage(question.message, question.cause);
    return AnswerWithoutAsking(options_.lineErrorAnswer(),
                               [this](const std::string& said) { board_.message(index_, said); });
}

void StationHost::showFailure(const RunFailure& failure, std::stop_token)
{
    std::unique_lock lock(mutex_);
    if (scanned_) {
        lock.unlock();
        showMessage(failure.message, failure.cause);
        return;
    }
    // No radio yet: the port did not open or failed while armed. The reason
    // is said once, not at every try.
    unavailable_ = failure.cause.empty() ? failure.message.firstLine : failure.cause;
    const bool shown = unavailable_ == shownReason_;
    shownReason_ = unavailable_;
    lock.unlock();
    if (!shown && failure.outcome != RunOutcome::Cancelled)
        showMessage(failure.message, failure.cause);
}

void StationHost::showSuccess(const Message& message, std::stop_token)
{
    showMessage(message, {});
}

void StationHost::showMessage(const Message& message, const std::string& cause)
{
    board_.message(index_, BoxText(message.title, message.text) + CauseLine(message, cause));
}

StationRecord::StationRecord(std::string device, std::optional<std::string> path, RecordOrigin origin)
    : device_(std::move(device)), path_(std::move(path)), origin_(std::move(origin))
{
}

void StationRecord::name(std::optional<std::string> unit, const std::string& shift)
{
    RecordOrigin origin = origin_;
    origin.unit = std::move(unit);
    origin.station = origin.port;
    origin.shift = shift;
    record_ = std::make_unique<PortRecord>(device_, path_, std::move(origin));
}

void StationRecord::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    if (record_)
        record_->outcomeDecided(request, report);
}

std::optional<std::string> StationRecord::error() const
{
    return record_ ? record_->error() : std::nullopt;
}

} // namespace zorvane::cli

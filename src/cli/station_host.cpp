#include "cli/station_host.h"

#include "cli/line_error_policy.h"

namespace zorvane::cli {

StationHost::StationHost(std::size_t index, StationView& view, const CliOptions& options,
                         std::function<void()> armed)
    : index_(index), view_(view), options_(options), armedHook_(std::move(armed))
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
    // Not armed from now on: a second scan in the same breath goes elsewhere.
    armed_ = false;
    go_ = scanned_ = true;
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

// Before its radio the run only opens the port and arms: not the radio's stages.
void StationHost::stageStarted(RunStage stage)
{
    if (scanned())
        view_.stageStarted(index_, stage);
}

void StationHost::progress(const RunProgress& progress)
{
    if (scanned())
        view_.progress(index_, progress);
}

Answer StationHost::confirmReset(const Message&, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    armed_ = true;
    unavailable_.clear();
    shownReason_.clear();
    // Shown armed before a scan can send it on: the scan waits for this lock.
    view_.armed(index_);
    lock.unlock();
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
    view_.shown(index_, question.message, question.cause, question.fault);
    // Nobody can answer one station's question at a shared terminal.
    const LineErrorDecision decided = DecideLineError(options_.lineErrorAnswer(), false);
    const Answer answer = decided.answer.value_or(Answer::Stop);
    view_.lineErrorAnswered(index_, question, answer, decided.said);
    return answer;
}

void StationHost::showFailure(const RunFailure& failure, std::stop_token)
{
    std::unique_lock lock(mutex_);
    if (scanned_) {
        lock.unlock();
        view_.shown(index_, failure.message, failure.cause, failure.fault);
        return;
    }
    // No radio yet: the port did not open or failed while armed. The reason
    // is said once, not at every try.
    unavailable_ = failure.cause.empty() ? failure.message.firstLine : failure.cause;
    const bool shown = unavailable_ == shownReason_;
    shownReason_ = unavailable_;
    lock.unlock();
    if (!shown && failure.outcome != RunOutcome::Cancelled)
        view_.unavailable(index_, failure);
}

void StationHost::showSuccess(const Message& message, std::stop_token)
{
    view_.shown(index_, message, {}, std::nullopt);
}

StationRecord::StationRecord(std::string device, std::optional<std::string> path, RecordOrigin origin,
                             std::vector<DatabasePlace> owedTo)
    : device_(std::move(device)), path_(std::move(path)), owedTo_(std::move(owedTo)), origin_(std::move(origin))
{
}

void StationRecord::name(std::optional<std::string> unit, const std::string& shift)
{
    RecordOrigin origin = origin_;
    origin.unit = std::move(unit);
    origin.station = origin.port;
    origin.shift = shift;
    record_ = std::make_unique<PortRecord>(device_, path_, std::move(origin), owedTo_);
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

std::string StationRecord::device() const
{
    return record_ ? record_->device() : device_;
}

nlohmann::ordered_json StationRecord::record() const
{
    return record_ ? record_->record() : nlohmann::ordered_json();
}

} // namespace zorvane::cli

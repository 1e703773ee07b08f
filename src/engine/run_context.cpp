#include "engine/run_context.h"

#include "engine/run_images.h"

namespace zorvane {

RunFailure SettleFailure(const RunRequest& request, RunReport& report, RunOutcome outcome, Message message,
                         RunFault fault)
{
    auto* open = std::get_if<OpenError>(&fault);   // the diagnosis may add to it
    std::string cause = open != nullptr && request.describeOpenFailure ? request.describeOpenFailure(*open)
                                                                       : FaultText(fault);
    report.message = message;
    report.cause = cause;
    report.fault = fault;
    return {outcome, std::move(message), std::move(cause), std::move(fault)};
}

RunContext::RunContext(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
                       std::stop_token stop, RunRecorder* recorder)
    : request(request), link(port, clock, std::move(stop)), host(host), recorder_(recorder)
{
}

const RunImages& RunContext::images() const
{
    return *report.images;
}

void RunContext::decide(RunOutcome outcome)
{
    if (decided_)
        return;
    decided_ = true;
    report.outcome = outcome;
    if (recorder_ == nullptr)
        return;
    // The stage under way counts up to this moment.
    RunReport sofar = report;
    if (stage_)
        sofar.stageTimes.push_back({*stage_, link.elapsedSince(stageStart_)});
    recorder_->outcomeDecided(request, sofar);
}

void RunContext::enterStage(RunStage stage)
{
    endStages();
    stage_ = stage;
    stageStart_ = link.clock.now();
    host.stageStarted(stage);
}

void RunContext::endStages()
{
    if (stage_)
        report.stageTimes.push_back({*stage_, link.elapsedSince(stageStart_)});
    stage_.reset();
}

void RunContext::fail(RunOutcome outcome, Message message, RunFault fault)
{
    link.checkCancelled();
    const RunFailure failure = SettleFailure(request, report, outcome, std::move(message), std::move(fault));
    decide(outcome);
    host.showFailure(failure, link.stop);
}

void RunContext::failQuietlyWhenStopping(RunOutcome outcome, Message message, RunFault fault)
{
    const RunFailure failure = SettleFailure(request, report, outcome, std::move(message), std::move(fault));
    decide(outcome);
    if (!link.stop.stop_requested())
        host.showFailure(failure, link.stop);
}

void RunContext::stopped()
{
    if (decided_)
        return;   // an outcome decided before the stop stands
    report.cause = FaultText(Stopped{});
    report.fault = Stopped{};
    decide(RunOutcome::Cancelled);
}

void RunContext::succeed()
{
    link.checkCancelled();
    Message message = MakeMessage(MessageId::Success);
    report.message = message;
    decide(RunOutcome::Success);
    host.showSuccess(message, link.stop);
}

Answer RunContext::confirmReset()
{
    link.checkCancelled();
    const Answer answer = host.confirmReset(MakeMessage(MessageId::ResetRadio), link.stop);
    report.untilReset = report.duration() + link.elapsedSince(stageStart_);
    link.checkCancelled();
    return answer;
}

Answer RunContext::askOnLineError(LineErrorQuestion question)
{
    link.checkCancelled();
    const Answer answer = host.askOnLineError(question, link.stop);
    link.checkCancelled();
    return answer;
}

} // namespace zorvane

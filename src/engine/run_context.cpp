#include "engine/run_context.h"

#include "engine/run_images.h"

namespace zorvane {

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

void RunContext::fail(RunOutcome outcome, Message message, std::string cause)
{
    failWith(outcome, std::move(message), std::move(cause), std::nullopt);
}

void RunContext::fail(RunOutcome outcome, Message message, const RunFault& fault)
{
    // Put in words once: the front end's for a port that did not open, else the run's.
    const auto* open = std::get_if<OpenError>(&fault);
    std::string cause = open != nullptr && request.describeOpenFailure ? request.describeOpenFailure(*open)
                                                                       : FaultText(fault);
    failWith(outcome, std::move(message), std::move(cause), fault);
}

void RunContext::failWith(RunOutcome outcome, Message message, std::string cause, std::optional<RunFault> fault)
{
    link.checkCancelled();
    report.message = message;
    report.cause = cause;
    report.fault = fault;
    decide(outcome);
    host.showFailure({outcome, std::move(message), std::move(cause), std::move(fault)}, link.stop);
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

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
    link.checkCancelled();
    report.message = message;
    report.cause = cause;
    decide(outcome);
    host.showFailure({outcome, std::move(message), std::move(cause)}, link.stop);
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

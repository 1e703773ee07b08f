#include "engine/run_context.h"

namespace zorvane {

RunContext::RunContext(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
                       std::stop_token stop)
    : request(request), link(port, clock, std::move(stop)), host(host)
{
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
    host.showFailure({outcome, std::move(message), std::move(cause)}, link.stop);
    link.checkCancelled();
}

void RunContext::succeed()
{
    link.checkCancelled();
    Message message = MakeMessage(MessageId::Success);
    report.message = message;
    host.showSuccess(message, link.stop);
    link.checkCancelled();
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

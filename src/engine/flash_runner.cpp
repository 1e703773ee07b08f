#include "engine/flash_runner.h"

namespace zorvane {

FlashRunner::FlashRunner(PortFactory makePort, link::Clock& clock, RunHost& host, ThreadStarter startThread)
    : makePort_(std::move(makePort)), startThread_(std::move(startThread)), clock_(clock), host_(host)
{
}

FlashRunner::~FlashRunner()
{
    cancel();
    wait();
}

bool FlashRunner::start(RunRequest request, FinishedHandler onFinished, std::shared_ptr<RunRecorder> recorder)
{
    std::lock_guard lock(mutex_);
    if (running_.exchange(true))
        return false;
    if (worker_)
        worker_->join();   // the previous run has already finished; reap its thread

    stop_ = std::stop_source();
    worker_ = startThread_([this, request = std::move(request), stop = stop_.get_token(),
                           onFinished = std::move(onFinished), recorder = std::move(recorder)] {
        RunReport report;
        try {
            std::unique_ptr<link::SerialPort> port = makePort_();
            report = RunFlash(request, *port, clock_, host_, stop, recorder.get());
        } catch (const std::exception& e) {
            // Only making the port can fail here; the run itself reports its own failures.
            report.outcome = RunOutcome::InternalError;
            report.message = MakeMessage(MessageId::RunNotStarted, {}, e.what());
            report.cause = e.what();
            if (recorder)
                recorder->outcomeDecided(request, report);
            if (!stop.stop_requested())
                host_.showFailure({report.outcome, *report.message, report.cause}, stop);
        }
        running_.store(false);
        if (onFinished)
            onFinished(report);
    });
    return true;
}

void FlashRunner::cancel()
{
    std::lock_guard lock(mutex_);
    stop_.request_stop();
}

void FlashRunner::wait()
{
    std::unique_ptr<WorkerThread> finished;
    {
        std::lock_guard lock(mutex_);
        finished = std::move(worker_);
    }
    if (finished)
        finished->join();
}

} // namespace zorvane

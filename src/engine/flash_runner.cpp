#include "engine/flash_runner.h"

#include <algorithm>

namespace zorvane {

struct FlashRunner::Worker {
    std::atomic<bool> ended{false};   // the run and its handler have returned
    std::unique_ptr<WorkerThread> thread;
};

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
    std::vector<std::unique_ptr<Worker>> ended;
    {
        std::lock_guard lock(mutex_);
        if (running_.exchange(true))
            return false;
        ended = takeEnded();
        stop_ = std::stop_source();
        auto worker = std::make_unique<Worker>();
        worker->thread = startThread_([this, worker = worker.get(), request = std::move(request),
                                       onFinished = std::move(onFinished), recorder = std::move(recorder),
                                       stop = stop_.get_token()]() mutable {
            work(std::move(request), std::move(onFinished), std::move(recorder), stop);
            worker->ended = true;
        });
        workers_.push_back(std::move(worker));
    }
    for (const std::unique_ptr<Worker>& worker : ended)
        worker->thread->join();   // returns at once: the thread's run is over, as its flag said
    return true;
}

std::vector<std::unique_ptr<FlashRunner::Worker>> FlashRunner::takeEnded()
{
    const auto ending = std::stable_partition(workers_.begin(), workers_.end(),
                                              [](const std::unique_ptr<Worker>& w) { return !w->ended; });
    std::vector<std::unique_ptr<Worker>> ended(std::make_move_iterator(ending),
                                               std::make_move_iterator(workers_.end()));
    workers_.erase(ending, workers_.end());
    return ended;
}

void FlashRunner::work(RunRequest request, FinishedHandler onFinished, std::shared_ptr<RunRecorder> recorder,
                       std::stop_token stop)
{
    RunReport report;
    try {
        std::unique_ptr<link::SerialPort> port = makePort_();
        report = RunFlash(request, *port, clock_, host_, stop, recorder.get());
    } catch (const std::exception& e) {
        // Only making the port can fail here; the run itself reports its own failures.
        report.outcome = RunOutcome::InternalError;
        const RunFailure failure = SettleFailure(request, report, report.outcome,
                                                 MakeMessage(MessageId::RunNotStarted, {}, e.what()),
                                                 InternalFault{e.what()});
        if (recorder)
            recorder->outcomeDecided(request, report);
        if (!stop.stop_requested())
            host_.showFailure(failure, stop);
    }
    running_.store(false);
    if (onFinished)
        onFinished(report);
}

void FlashRunner::cancel()
{
    std::lock_guard lock(mutex_);
    stop_.request_stop();
}

void FlashRunner::wait()
{
    std::vector<std::unique_ptr<Worker>> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (const std::unique_ptr<Worker>& worker : workers) {
        worker->thread->join();
        // Read once joined: the thread's last write orders all it did before
        // this thread frees it, also for checkers that cannot see into the
        // thread library (a QThread's wait).
        [[maybe_unused]] const bool ended = worker->ended.load(std::memory_order_acquire);
    }
}

} // namespace zorvane

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

bool FlashRunner::start(const FlashRunState& state, bool platformSelected, FinishedHandler onFinished)
{
    std::lock_guard lock(mutex_);
    if (running_.exchange(true))
        return false;
    if (worker_)
        worker_->join();   // the previous run has already finished; reap its thread

    stop_ = std::stop_source();
    worker_ = startThread_([this, state, platformSelected, stop = stop_.get_token(),
                           onFinished = std::move(onFinished)] {
        RunResult result;
        result.state = state;
        try {
            std::unique_ptr<link::SerialPort> port = makePort_();
            RunContext ctx(result.state, *port, clock_, host_, stop);
            result.outcome = cmdBeginFlash_Click(ctx, platformSelected);
        } catch (const std::exception& e) {
            // Only making the port can fail here; the run itself reports its own failures.
            if (!stop.stop_requested())
                host_.MsgBox(std::string("Zorvane could not start the run.\r") + e.what(),
                             BoxStyle::Exclamation, "Error");
            host_.setCommMenuEnabled(true);
        }
        running_.store(false);
        if (onFinished)
            onFinished(result);
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

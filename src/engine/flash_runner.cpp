#include "engine/flash_runner.h"

namespace zorvane {

FlashRunner::FlashRunner(PortFactory makePort, link::Clock& clock, RunHost& host)
    : makePort_(std::move(makePort)), clock_(clock), host_(host)
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
    if (worker_.joinable())
        worker_.join();   // the previous run has already finished; reap its thread

    stop_ = std::stop_source();
    worker_ = std::thread([this, state, platformSelected, stop = stop_.get_token(),
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
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        finished = std::move(worker_);
    }
    if (finished.joinable())
        finished.join();
}

} // namespace zorvane

// Runs one flash run at a time on a worker thread, so that the window stays
// live during every wait. The run works on its own request and hands its
// report back when it ends.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/flash_run.h"
#include "engine/worker_thread.h"
#include "link/clock.h"
#include "link/serial_port.h"

namespace zorvane {

class FlashRunner {
public:
    // Called on the worker thread: a serial port belongs to the thread that made it.
    using PortFactory = std::function<std::unique_ptr<link::SerialPort>()>;
    using FinishedHandler = std::function<void(const RunReport&)>;

    FlashRunner(PortFactory makePort, link::Clock& clock, RunHost& host,
                ThreadStarter startThread = StartStdThread);
    ~FlashRunner();   // stops a run in progress and waits for it
    FlashRunner(const FlashRunner&) = delete;
    FlashRunner& operator=(const FlashRunner&) = delete;

    // Starts a run; false (nothing started) while another run is in progress.
    // onFinished is called on the worker thread as the run's last act; the
    // recorder, when given, hears the outcome before the ending is shown.
    bool start(RunRequest request, FinishedHandler onFinished, std::shared_ptr<RunRecorder> recorder = nullptr);
    bool running() const { return running_.load(); }
    // Asks the run to stop: every wait and every open question returns
    // promptly and the run leaves through its closing steps without showing
    // further boxes.
    void cancel();
    // Waits until every worker thread has ended.
    void wait();

private:
    struct Worker;
    // The run itself, on the worker thread; its arguments go when it returns.
    void work(RunRequest request, FinishedHandler onFinished, std::shared_ptr<RunRecorder> recorder,
              std::stop_token stop);
    // Removes the workers whose run has returned, to be joined without the lock.
    std::vector<std::unique_ptr<Worker>> takeEnded();

    PortFactory makePort_;
    ThreadStarter startThread_;
    link::Clock& clock_;
    RunHost& host_;
    std::atomic<bool> running_{false};
    std::mutex mutex_;        // guards workers_ and stop_
    std::stop_source stop_;
    // The current run's worker last. A run counts as ended before its
    // handler has finished, so the one before may still be ending: nothing
    // on the window's thread waits for it.
    std::vector<std::unique_ptr<Worker>> workers_;
};

} // namespace zorvane

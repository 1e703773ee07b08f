#include "engine/worker_thread.h"

#include <thread>

namespace zorvane {

namespace {

class StdWorkerThread final : public WorkerThread {
public:
    explicit StdWorkerThread(std::function<void()> body) : thread_(std::move(body)) {}
    ~StdWorkerThread() override { join(); }
    void join() override
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
};

} // namespace

std::unique_ptr<WorkerThread> StartStdThread(std::function<void()> body)
{
    return std::make_unique<StdWorkerThread>(std::move(body));
}

} // namespace zorvane

#include "qtlink/qt_worker_thread.h"

#include <QtCore/QThread>

namespace zorvane::link {

namespace {

class QtWorkerThread final : public WorkerThread {
public:
    explicit QtWorkerThread(std::function<void()> body) : thread_(QThread::create(std::move(body)))
    {
        thread_->start();
    }
    ~QtWorkerThread() override { join(); }
    void join() override { thread_->wait(); }

private:
    std::unique_ptr<QThread> thread_;
};

} // namespace

std::unique_ptr<WorkerThread> StartQtThread(std::function<void()> body)
{
    return std::make_unique<QtWorkerThread>(std::move(body));
}

} // namespace zorvane::link

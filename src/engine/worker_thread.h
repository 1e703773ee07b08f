// The thread a flash run works on. Front ends whose serial port needs a
// thread of its own kind (QtSerialPort wants a QThread) start one of those.
#pragma once

#include <functional>
#include <memory>

namespace zorvane {

class WorkerThread {
public:
    virtual ~WorkerThread() = default;
    virtual void join() = 0;
};

using ThreadStarter = std::function<std::unique_ptr<WorkerThread>(std::function<void()> body)>;

// A plain std::thread.
std::unique_ptr<WorkerThread> StartStdThread(std::function<void()> body);

} // namespace zorvane

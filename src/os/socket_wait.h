// Waiting for a network socket with a deadline, and waking that wait from
// another thread: the records' sender must never keep a run or a closing
// window waiting on a network that has dropped.
#pragma once

#include <chrono>
#include <memory>

namespace zorvane::os {

enum class SocketReady { Ready, TimedOut, Woken, Failed };
enum class SocketDirection { Read, Write };

class SocketWaiter {
public:
    SocketWaiter();
    ~SocketWaiter();
    SocketWaiter(const SocketWaiter&) = delete;
    SocketWaiter& operator=(const SocketWaiter&) = delete;

    // Blocks until the socket is ready, the deadline passes or wake() was
    // called (now or before).
    SocketReady wait(long long socket, SocketDirection direction, std::chrono::steady_clock::time_point deadline);
    // Ends the wait in progress and every later one: the sender is stopping.
    // Safe from any thread.
    void wake();

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

} // namespace zorvane::os

#include "os/socket_wait.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace zorvane::os {

struct SocketWaiter::Handles {
    HANDLE woken = nullptr;         // manual-reset, set by wake() for good
    HANDLE socketEvent = nullptr;   // manual-reset, for WSAEventSelect
};

SocketWaiter::SocketWaiter() : handles_(std::make_unique<Handles>())
{
    handles_->woken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    handles_->socketEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (handles_->woken == nullptr || handles_->socketEvent == nullptr)
        throw std::runtime_error("cannot make a wake-up event");
}

SocketWaiter::~SocketWaiter()
{
    CloseHandle(handles_->woken);
    CloseHandle(handles_->socketEvent);
}

void SocketWaiter::wake()
{
    SetEvent(handles_->woken);
}

SocketReady SocketWaiter::wait(long long socket, SocketDirection direction,
                               std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    // Already ready: the socket's events are edges, and one that passed
    // before this wait would not be seen again.
    WSAPOLLFD now{static_cast<SOCKET>(socket), static_cast<SHORT>(direction == SocketDirection::Read ? POLLRDNORM : POLLWRNORM), 0};
    if (WSAPoll(&now, 1, 0) > 0)
        return SocketReady::Ready;
    const long events = direction == SocketDirection::Read ? FD_READ | FD_CLOSE : FD_WRITE | FD_CONNECT | FD_CLOSE;
    if (WSAEventSelect(static_cast<SOCKET>(socket), handles_->socketEvent, events) != 0)
        return SocketReady::Failed;
    const HANDLE handles[2] = {handles_->socketEvent, handles_->woken};
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()) + milliseconds(1);
    const DWORD ready = WaitForMultipleObjects(2, handles, FALSE,
                                               static_cast<DWORD>(std::clamp<long long>(left.count(), 0, 60'000)));
    WSAEventSelect(static_cast<SOCKET>(socket), handles_->socketEvent, 0);
    ResetEvent(handles_->socketEvent);
    if (ready == WAIT_OBJECT_0)
        return SocketReady::Ready;
    if (ready == WAIT_OBJECT_0 + 1)
        return SocketReady::Woken;   // left set: every later wait ends too
    return ready == WAIT_TIMEOUT ? SocketReady::TimedOut : SocketReady::Failed;
}

} // namespace zorvane::os

#include "os/signal_wait.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <io.h>
#include <stdexcept>

namespace zorvane::os {

namespace {

// The console's control handler runs on a thread of its own: it only sets
// the event the waits watch.
std::atomic<HANDLE> g_stopEvent{nullptr};

BOOL WINAPI onControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT)
        return FALSE;
    if (HANDLE stop = g_stopEvent.load())
        SetEvent(stop);
    return TRUE;
}

DWORD timeoutMs(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    if (!deadline)
        return INFINITE;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::clamp<long long>(left.count(), 0, 60'000));
}

} // namespace

struct SignalWait::Handles {
    HANDLE stop = nullptr;    // auto-reset: one wait takes each Ctrl-C
    HANDLE woken = nullptr;   // auto-reset
};

SignalWait::SignalWait() : handles_(std::make_unique<Handles>())
{
    handles_->stop = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    handles_->woken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (handles_->stop == nullptr || handles_->woken == nullptr)
        throw std::runtime_error("cannot make the stop events");
    g_stopEvent = handles_->stop;
    SetConsoleCtrlHandler(onControl, TRUE);
}

SignalWait::~SignalWait()
{
    SetConsoleCtrlHandler(onControl, FALSE);
    g_stopEvent = nullptr;
    CloseHandle(handles_->stop);
    CloseHandle(handles_->woken);
}

void SignalWait::wake()
{
    SetEvent(handles_->woken);
}

WaitEvent SignalWait::wait(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    // A console reports its new size through its input, which a run does not read: no resize here.
    const HANDLE handles[2] = {handles_->stop, handles_->woken};
    const DWORD ready = WaitForMultipleObjects(2, handles, FALSE, timeoutMs(deadline));
    if (ready == WAIT_OBJECT_0)
        return WaitEvent::Stop;
    if (ready == WAIT_OBJECT_0 + 1)
        return WaitEvent::Woken;
    return WaitEvent::Timeout;
}

struct InputAccess {
    static HANDLE stop(SignalWait* wait) { return wait != nullptr ? wait->handles_->stop : nullptr; }
};

InputLine ReadInputLine(const std::stop_token& stop, SignalWait* signalWait)
{
    // Declared before the callback that sets it, so that it outlives it.
    struct Event {
        HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ~Event() { CloseHandle(handle); }
    } event;
    const HANDLE stopped = event.handle;
    const std::stop_callback onStop(stop, [stopped] { SetEvent(stopped); });
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    InputLine result;
    // A console's handle is signalled when the operator types; reading then
    // takes the line as the console edits it.
    const HANDLE handles[3] = {stopped, input, InputAccess::stop(signalWait)};
    const DWORD ready = WaitForMultipleObjects(signalWait != nullptr ? 3 : 2, handles, FALSE, INFINITE);
    if (ready == WAIT_OBJECT_0 + 2) {
        result.interrupted = true;
    } else if (ready == WAIT_OBJECT_0 + 1) {
        std::string line;
        char c = 0;
        DWORD read = 0;
        while (ReadFile(input, &c, 1, &read, nullptr) && read == 1 && c != '\n')
            if (c != '\r')
                line.push_back(c);
        if (read == 1)
            result.line = line;
    }
    return result;
}

bool InputIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
}

bool OutputIsTerminal()
{
    return _isatty(_fileno(stdout)) != 0;
}

} // namespace zorvane::os

// The flasher's main thread waits on four things at once: Ctrl-C or
// SIGTERM (stop every run), a hang-up (the terminal or session went away:
// no new run, but those under way finish), a change of the terminal's size
// (draw again), and a wake-up from another thread (a run ended, the screen
// changed). It sleeps until one of them happens: nothing wakes it to look.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace zorvane::os {

enum class WaitEvent { Stop, HangUp, Resize, Woken, Timeout };

class SignalWait {
public:
    // Takes SIGINT, SIGTERM, SIGHUP and SIGWINCH (Ctrl-C and Ctrl-Break on
    // Windows) away from their default handling in this thread and every
    // thread started after it: construct before any thread starts.
    SignalWait();
    ~SignalWait();
    SignalWait(const SignalWait&) = delete;
    SignalWait& operator=(const SignalWait&) = delete;

    // Blocks until a stop signal, a hang-up, a resize, wake() (now or since
    // the last wait) or the deadline, if any.
    WaitEvent wait(std::optional<std::chrono::steady_clock::time_point> deadline);
    // Safe from any thread.
    void wake();

private:
    friend struct InputAccess;
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

struct InputLine {
    std::optional<std::string> line;   // none: end of input, a stop request or a stop signal
    bool interrupted = false;          // a stop signal or a hang-up came
};

// A whole line from standard input without its line end. It ends early on
// a stop request, and, when signalWait is given, on a stop signal.
InputLine ReadInputLine(const std::stop_token& stop, SignalWait* signalWait = nullptr);

bool InputIsTerminal();
bool OutputIsTerminal();

} // namespace zorvane::os

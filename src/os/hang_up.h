// A hang-up of the terminal that started the window (SIGHUP), taken from its
// default (ending the process at once, a radio half-programmed) and turned
// into something an event loop can watch.
#pragma once

namespace zorvane::os {

class HangUpSignal {
public:
    // Takes SIGHUP from this thread and every thread started after it:
    // construct before any thread starts.
    HangUpSignal();
    ~HangUpSignal();
    HangUpSignal(const HangUpSignal&) = delete;
    HangUpSignal& operator=(const HangUpSignal&) = delete;

    // Readable when a hang-up came; -1 where there are none (Windows).
    int descriptor() const { return descriptor_; }
    // Takes the hang-ups that came, so that the descriptor is quiet again.
    void take();

private:
    int descriptor_ = -1;
};

} // namespace zorvane::os

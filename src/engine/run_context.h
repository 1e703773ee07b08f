// The run's view of its window: the flash run state, the radio link and the host.
#pragma once

#include <string>

#include "engine/flash_run_state.h"
#include "engine/run_host.h"
#include "link/radio_link.h"

namespace zorvane {

inline constexpr char kCR = '\r';   // separates the two lines of a message
inline constexpr const char* kCheckConnections = "Check KRIX, cables and connections.";

struct RunContext {
    RunContext(FlashRunState& state, link::SerialPort& port, link::Clock& clock, RunHost& host,
               std::stop_token stop)
        : state(state), link(port, clock, state.grxMessageRdy, std::move(stop)), host(host)
    {
    }

    // Shows a box unless the run is being stopped; a stop requested while
    // the box was open ends the run when it returns.
    BoxButton MsgBox(const std::string& text, BoxStyle style, const std::string& title)
    {
        link.checkCancelled();
        BoxButton button = host.MsgBox(text, style, title);
        link.checkCancelled();
        return button;
    }

    FlashRunState& state;
    link::RadioLink link;
    RunHost& host;
};

// What a boot or image stage returns: its result code and, for a failure
// the radio did not cause (an unreadable or malformed file), what was wrong.
struct StageOutcome {
    std::int16_t code = 0;
    std::string cause;
};

// Two message lines joined by a carriage return.
inline std::string TwoLines(const std::string& first, const std::string& second)
{
    return first + kCR + second;
}

} // namespace zorvane

// What the application set on a serial line, read from our own descriptor
// of the pseudo-terminal: the speed (also a custom one like 7600) and the
// character format.
#pragma once

#include <cstdint>

namespace zorvane::radio {

struct LineMode {
    std::uint32_t inputSpeed = 0;
    std::uint32_t outputSpeed = 0;
    unsigned dataBits = 0;
    bool parity = false;
    unsigned stopBits = 0;
    bool valid = false;
};

// Reads the line mode through TCGETS2; valid is false when the call fails.
LineMode ReadLineMode(int fd);

} // namespace zorvane::radio

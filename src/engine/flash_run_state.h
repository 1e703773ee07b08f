// The values that the platform choice, the flash run and its stages share.
// Names follow the main window's members.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/booleans.h"

namespace zorvane {

struct FlashRunState {
    std::int16_t CommPort = 1;        // serial port number, 1 or 2
    std::int16_t grxMessageRdy = kFalse; // receive flag, -1 once the threshold was reached
    std::string gconfigFile;          // the chosen platform's configuration file
    std::string gbootFile;
    std::string gfirmwareFile;
    std::string geepromFile;          // empty: the platform has no EEPROM stage
    std::string gconfigVal;           // CONFIG value as two upper-case hex digits
    std::uint8_t gconfigValHex = 0;   // CONFIG value as the byte sent to the radio
    std::int32_t gcheckSum = 0;       // sum of the 1025 boot bytes modulo 65536
    std::string greturnedVersion;     // boot code version, e.g. "1.A"
    std::array<std::uint8_t, 2> gimageCheckSum{}; // first two data bytes of the last image
};

} // namespace zorvane

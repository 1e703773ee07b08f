#pragma once

#include <cstdint>
#include <string>

#include "engine/run_types.h"

#include "link/port_choice.h"

namespace zorvane {

// Upper-case hexadecimal without leading zeros: 10 is "A", 0 is "0".
std::string HexText(std::uint32_t value);

// The boot code's version and checksum as the result boxes and the table
// show them: "R1.A", "$1F3C".
std::string BootVersionText(const std::string& version);
std::string BootChecksumText(std::uint16_t checksum);

// An image's checksum bytes as the result boxes show them: 0x12 0x05 is "$125".
std::string ChecksumText(const ImageChecksum& bytes);

} // namespace zorvane

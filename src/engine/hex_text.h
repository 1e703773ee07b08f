#pragma once

#include <cstdint>
#include <string>

namespace zorvane {

// Upper-case hexadecimal without leading zeros: 10 is "A", 0 is "0".
std::string HexText(std::uint32_t value);

// "Comm" and the port number with a blank reserved for its sign: "Comm  1".
std::string PortText(std::int16_t port);

} // namespace zorvane

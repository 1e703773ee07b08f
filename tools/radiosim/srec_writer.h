// Writing S-record text: the simulator dumps what the radio holds with it,
// and the demo and the tests make their images with it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zorvane::radio {

// One record of the given type ('0', '1', '9', ...), upper-case, with its
// checksum, without a line terminator.
std::string SRecord(char type, std::uint16_t address, std::span<const std::uint8_t> data);

// S1 records of at most recordBytes data bytes each covering data from address on.
std::vector<std::string> S1Records(std::uint16_t address, std::span<const std::uint8_t> data,
                                   std::size_t recordBytes = 32);

// A whole image: an S0 header, the S1 records and an S9 end record, each
// line ended by CR LF.
std::string SRecordImage(std::uint16_t address, std::span<const std::uint8_t> data,
                         std::size_t recordBytes = 32);

} // namespace zorvane::radio

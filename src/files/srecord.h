// Reading S-record image files one record at a time and decoding the data of
// S1 records. Nothing here validates: bad hex digits count as 0 and record
// checksums are never compared; the boot loader and image programmer decide
// what a record means.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "files/text_files.h"

namespace zorvane::files {

// Both readers keep one record in a 256-position line buffer.
constexpr std::size_t kSrecLineSize = 256;
using SrecLine = std::array<std::uint8_t, kSrecLineSize>;

// A write or read beyond the end of a line buffer or transmit buffer.
class BufferRangeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// Two hexadecimal character codes to a value 0..255. Only '0'-'9' and 'A'-'F'
// count; every other code, lower case included, is the digit 0.
std::int16_t Ascii2Dec(std::uint8_t highNibble, std::uint8_t lowNibble);

// A byte as two upper-case hexadecimal digits, as fault texts show it.
std::string HexByteText(unsigned value);

// Reads the next record into inputLine, upper-cased, and returns its line
// length L = 2 * count + 4 (the position of the first character after it).
// Throws EndOfStreamError when the stream ends before the record's body starts
// and BufferRangeError when the record does not fit the line buffer.
std::int16_t GetSrecLine(TextStream& streamPtr, std::span<std::uint8_t> inputLine);

// Decodes the data bytes of an S1 record into txBuffer from position
// bufferSize on and returns how many it wrote; 0 for any other record type.
// Throws BufferRangeError for a position outside either buffer.
std::int16_t SLine2Hex(std::span<const std::uint8_t> inputLine,
                       std::span<std::uint8_t> txBuffer,
                       std::int32_t bufferSize);

} // namespace zorvane::files

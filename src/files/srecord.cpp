#include "files/srecord.h"

#include <string>

#include "files/hex_text.h"

namespace zorvane::files {

namespace {

int hexDigitValue(std::uint8_t code)
{
    if (code >= '0' && code <= '9')
        return code - '0';
    if (code >= 'A' && code <= 'F')
        return code - 'A' + 10;
    return 0;
}

std::uint8_t upperCase(char c)
{
    auto code = static_cast<std::uint8_t>(c);
    return (code >= 'a' && code <= 'z') ? static_cast<std::uint8_t>(code - ('a' - 'A')) : code;
}

void store(std::span<std::uint8_t> buffer, long position, std::uint8_t value, const char* what)
{
    if (position < 0 || static_cast<std::size_t>(position) >= buffer.size())
        throw BufferRangeError(std::string(what) + " position " + std::to_string(position) +
                               " is outside the buffer of " + std::to_string(buffer.size()));
    buffer[static_cast<std::size_t>(position)] = value;
}

std::uint8_t at(std::span<const std::uint8_t> buffer, long position)
{
    if (position < 0 || static_cast<std::size_t>(position) >= buffer.size())
        throw BufferRangeError("S-record line position " + std::to_string(position) +
                               " is outside the buffer of " + std::to_string(buffer.size()));
    return buffer[static_cast<std::size_t>(position)];
}

// Line length of the record held in the buffer: 2 * byte count + 4.
long lineLength(std::span<const std::uint8_t> line)
{
    return 2L * Ascii2Dec(at(line, 2), at(line, 3)) + 4;
}

} // namespace

std::int16_t Ascii2Dec(std::uint8_t highNibble, std::uint8_t lowNibble)
{
    return static_cast<std::int16_t>(16 * hexDigitValue(highNibble) + hexDigitValue(lowNibble));
}

std::string HexByteText(unsigned value)
{
    return HexDigits(value & 0xFF, 2);
}

std::int16_t GetSrecLine(TextStream& streamPtr, std::span<std::uint8_t> inputLine)
{
    auto readInto = [&](long position) {
        std::uint8_t code = upperCase(streamPtr.Read());
        store(inputLine, position, code, "S-record line");
        return code;
    };

    // Search: everything up to the next 'S' (or 's') is skipped.
    std::uint8_t first = readInto(0);
    while (first != 'S' && !streamPtr.AtEndOfStream())
        first = readInto(0);

    // Header: type digit and the two count digits.
    long i = 1;
    do {
        readInto(i);
        ++i;
    } while (i <= 3 && !streamPtr.AtEndOfStream());

    long length = (i == 4) ? lineLength(inputLine) : 0;

    // Body: address, data, checksum and one character past the record.
    do {
        readInto(i);
        ++i;
    } while (i <= length && !streamPtr.AtEndOfStream());

    return static_cast<std::int16_t>(length);
}

std::int16_t SLine2Hex(std::span<const std::uint8_t> inputLine,
                       std::span<std::uint8_t> txBuffer,
                       std::int32_t bufferSize)
{
    if (at(inputLine, 1) != '1')
        return 0;
    const long length = lineLength(inputLine);
    std::int16_t n = 0;
    for (long k = 8; k <= length - 4; k += 2) {
        auto value = static_cast<std::uint8_t>(Ascii2Dec(at(inputLine, k), at(inputLine, k + 1)));
        store(txBuffer, static_cast<long>(bufferSize) + n, value, "Transmit buffer");
        ++n;
    }
    return n;
}

} // namespace zorvane::files

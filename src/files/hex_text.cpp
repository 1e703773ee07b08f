#include "files/hex_text.h"

namespace zorvane::files {

std::string HexDigits(std::uint32_t value, int digits, HexCase letters)
{
    const char* symbols = letters == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), symbols[value & 0xF]);
        value >>= 4;
    } while (value != 0 || static_cast<int>(text.size()) < digits);
    return text;
}

std::string HexBytes(std::span<const std::uint8_t> bytes, HexCase letters)
{
    std::string text;
    for (std::uint8_t byte : bytes)
        text += HexDigits(byte, 2, letters);
    return text;
}

} // namespace zorvane::files

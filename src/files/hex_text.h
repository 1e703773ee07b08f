// Hexadecimal digits, written one way for every text the tool makes: fault
// texts, result boxes, records, events, traces and escapes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zorvane::files {

enum class HexCase { Upper, Lower };

// The value's digits, at least `digits` of them: HexDigits(0xA) is "A",
// HexDigits(0xA, 4) is "000A".
std::string HexDigits(std::uint32_t value, int digits = 1, HexCase letters = HexCase::Upper);

// Bytes as they are, two digits each: 12 05 is "1205".
std::string HexBytes(std::span<const std::uint8_t> bytes, HexCase letters = HexCase::Upper);

} // namespace zorvane::files

#include "records/record_id.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <random>

#include "files/hex_text.h"
#include "files/sha256.h"

namespace zorvane {

namespace {

constexpr std::size_t kUuidBytes = 16;

// Sets the version nibble and the RFC 4122 variant, then writes 8-4-4-4-12.
std::string uuidText(std::array<std::uint8_t, kUuidBytes> bytes, std::uint8_t version)
{
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | (version << 4));
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    std::string text;
    for (std::size_t i = 0; i < kUuidBytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += files::HexDigits(bytes[i], 2, files::HexCase::Lower);
    }
    return text;
}

} // namespace

std::string NewRecordId()
{
    // random_device draws from the operating system's generator: ids of
    // records made on different benches at the same moment never meet.
    thread_local std::random_device source;
    std::array<std::uint8_t, kUuidBytes> bytes{};
    for (std::size_t i = 0; i < kUuidBytes; i += 4) {
        const std::uint32_t word = source();
        for (std::size_t j = 0; j < 4; ++j)
            bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    return uuidText(bytes, 4);
}

std::string IdFromLine(std::string_view line)
{
    const std::string digest = files::Sha256Hex(line);
    std::array<std::uint8_t, kUuidBytes> bytes{};
    for (std::size_t i = 0; i < kUuidBytes; ++i)
        std::from_chars(digest.data() + 2 * i, digest.data() + 2 * i + 2, bytes[i], 16);   // hex digits, always
    return uuidText(bytes, 8);
}

bool IsUuidText(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (text[i] == '-') || (!dash && !std::isxdigit(static_cast<unsigned char>(text[i]))))
            return false;
    }
    return true;
}

} // namespace zorvane

// Made-up image data for tests: every byte differs from its neighbours.
#pragma once

#include <cstdint>
#include <vector>

namespace zorvane::testkit {

inline std::vector<std::uint8_t> Pattern(std::size_t count, std::uint8_t seed)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 13);
    return bytes;
}

} // namespace zorvane::testkit

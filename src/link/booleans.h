// Yes/no values passed between the flash run's stages are 16-bit numbers
// with True = -1 and False = 0, as the receive flag is.
#pragma once

#include <cstdint>

namespace zorvane {

constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

} // namespace zorvane

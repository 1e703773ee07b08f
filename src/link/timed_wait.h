// Holds the run for a whole number of seconds without blocking anything else.
#pragma once

#include <cstdint>

#include "link/radio_link.h"

namespace zorvane::link {

// Sleeps `seconds` on the run's clock; less than one second returns at once.
// Throws RunCancelled when the run is asked to stop meanwhile.
void TimedWait(RadioLink& link, std::int32_t seconds);

} // namespace zorvane::link

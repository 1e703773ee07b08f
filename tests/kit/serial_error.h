// The number of the SerialError an action throws, or nullopt when it throws none.
#pragma once

#include <optional>

#include "link/serial_port.h"

namespace zorvane::testkit {

template <typename Action>
std::optional<int> SerialErrorOf(Action&& action)
{
    try {
        action();
    } catch (const link::SerialError& e) {
        return e.number;
    }
    return std::nullopt;
}

} // namespace zorvane::testkit

// Which serial port a run opens: a Comm entry (Comm1 or Comm2, as the
// window's menu names them, each a device the settings may map), or a
// device given by its path (as the flasher is given one).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace zorvane::link {

// A Comm entry: the window's way, and what a run takes by default.
struct CommEntry {
    std::int16_t number = 1;
    bool operator==(const CommEntry&) const = default;
};

// A device by its path: this device is opened, whatever the settings map.
struct DevicePath {
    std::string path;
    bool operator==(const DevicePath&) const = default;
};

using PortChoice = std::variant<CommEntry, DevicePath>;

// "Comm" and the entry's number with a blank reserved for its sign: "Comm  1".
std::string PortText(CommEntry entry);
// A port as the status panel names it: "Comm  1", or the device it opens.
std::string PortText(const PortChoice& port);

} // namespace zorvane::link

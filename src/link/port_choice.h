// Which serial port a run opens: a Comm entry (Comm1 or Comm2, as the
// window's menu names them, each a device the settings may map), or a
// device given by its path (as the flasher is given one).
#pragma once

#include <cstdint>
#include <string>

namespace zorvane::link {

struct PortChoice {
    // A Comm entry: the window's way, and what a run takes by default.
    PortChoice(std::int16_t commNumber = 1) : comm(commNumber) {}
    static PortChoice Device(std::string path, std::int16_t commNumber = 1)
    {
        PortChoice choice(commNumber);
        choice.device = std::move(path);
        return choice;
    }

    std::int16_t comm = 1;   // the Comm entry (also the number a device path stands in for)
    std::string device;      // set: this device is opened, whatever comm says

    bool operator==(const PortChoice&) const = default;
};

} // namespace zorvane::link

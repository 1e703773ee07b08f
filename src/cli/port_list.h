// zorvane-flash --list-ports: the serial ports the system offers, with the
// names that stay the same across reboots, and what Comm1 and Comm2 mean.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorvane::cli {

struct PortEntry {
    std::string device;         // /dev/ttyUSB0
    std::string stableName;     // /dev/serial/by-id/..., where there is one
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
};

// The ports QtSerialPort knows of, with their /dev/serial/by-id names.
std::vector<PortEntry> SystemPorts();

// present tells whether a device exists: a Comm entry whose device does not
// is marked.
std::string FormatPortList(const std::vector<PortEntry>& ports, const std::string& comm1, const std::string& comm2,
                           const std::function<bool(const std::string&)>& present);

} // namespace zorvane::cli

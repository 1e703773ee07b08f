#include "cli/port_list.h"

#include <QtSerialPort/QSerialPortInfo>

#include <cstdio>
#include <filesystem>

namespace zorvane::cli {

namespace {

// udev's links that name a USB adapter by its maker, model and serial number.
constexpr const char* kStableNames = "/dev/serial/by-id";

std::string stableNameOf(const std::string& device)
{
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::weakly_canonical(device, ec);
    for (const auto& link : std::filesystem::directory_iterator(kStableNames, ec)) {
        std::error_code linkError;
        if (std::filesystem::weakly_canonical(link.path(), linkError) == target && !linkError)
            return link.path().string();
    }
    return {};
}

void line(std::string& out, const char* label, const std::string& value)
{
    if (!value.empty())
        out += "  " + std::string(label) + value + "\n";
}

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

} // namespace

std::vector<PortEntry> SystemPorts()
{
    std::vector<PortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortEntry entry;
        entry.device = info.systemLocation().toStdString();
        entry.stableName = stableNameOf(entry.device);
        entry.description = info.description().toStdString();
        entry.manufacturer = info.manufacturer().toStdString();
        entry.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier())
            entry.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            entry.productId = info.productIdentifier();
        ports.push_back(std::move(entry));
    }
    return ports;
}

std::string FormatPortList(const std::vector<PortEntry>& ports, const std::string& comm1, const std::string& comm2,
                           const std::function<bool(const std::string&)>& present)
{
    std::string out;
    if (ports.empty())
        out += "No serial ports found.\n";
    for (const PortEntry& port : ports) {
        out += port.device + "\n";
        line(out, "stable name:  ", port.stableName);
        line(out, "description:  ", port.description);
        line(out, "manufacturer: ", port.manufacturer);
        line(out, "serial:       ", port.serialNumber);
        if (port.vendorId || port.productId)
            line(out, "VID:PID:      ", (port.vendorId ? hex4(*port.vendorId) : "????") + ":" +
                                           (port.productId ? hex4(*port.productId) : "????"));
    }
    for (const auto& [name, device] : {std::pair{"Comm1", &comm1}, std::pair{"Comm2", &comm2}})
        out += std::string(name) + " is " + *device + (present(*device) ? "" : " (no such device)") + "\n";
    return out;
}

} // namespace zorvane::cli

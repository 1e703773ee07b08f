#include "cli/port_list.h"

#include <QtSerialPort/QSerialPortInfo>

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

} // namespace zorvane::cli

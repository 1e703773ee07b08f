#include "qtlink/device_identity.h"

#include <QtSerialPort/QSerialPortInfo>

#include <filesystem>

namespace zorvane::link {

namespace {

// udev's stable names for USB serial adapters: links to the device.
constexpr const char* kByIdFolder = "/dev/serial/by-id";

std::string byIdName(const std::filesystem::path& device)
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kByIdFolder, ec)) {
        std::error_code same;
        if (std::filesystem::equivalent(entry.path(), device, same))
            return entry.path().string();
    }
    return {};
}

// Qt lists only the ports that have a device behind them in the kernel's
// tty class; a pseudo-terminal has none. Looking first spares a scan of
// every tty (tens of milliseconds) per port that the listing cannot hold.
bool mayBeListed(const std::filesystem::path& device)
{
#if defined(Q_OS_LINUX)
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path("/sys/class/tty") / device.filename() / "device", ec);
#else
    (void)device;
    return true;
#endif
}

} // namespace

DeviceIdentity DescribeDevice(const std::string& device)
{
    DeviceIdentity identity;
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::canonical(device, ec);
    identity.path = ec ? device : canonical.string();
    if (!ec)
        identity.byId = byIdName(canonical);
    if (!mayBeListed(identity.path))
        return identity;
    // Qt names a port by its short name; the device's path finds it.
    const QString location = QString::fromStdString(identity.path);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation() == location)
            identity.usbSerial = info.serialNumber().toStdString();
    return identity;
}

} // namespace zorvane::link

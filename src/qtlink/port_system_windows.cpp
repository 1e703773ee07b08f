#include "qtlink/port_system.h"

#include <QtSerialPort/QSerialPort>

namespace zorvane::link {

std::string SystemDefaultDevice(int commPort)
{
    return "COM" + std::to_string(commPort);
}

// Windows has no per-user device permissions: a refused open there is
// another program holding the port.
bool CanReadAndWrite(const std::string&)
{
    return true;
}

std::string PortNameToOpen(const std::string& device)
{
    return device;
}

void DrainLine(QSerialPort&) {}

bool LineStateReadable(QSerialPort&)
{
    return true;
}

DeviceWait::DeviceWait() = default;
DeviceWait::~DeviceWait() = default;

DeviceWait::Readiness DeviceWait::until(QSerialPort&, std::chrono::milliseconds, std::stop_token)
{
    return Readiness::AskQt;
}

} // namespace zorvane::link

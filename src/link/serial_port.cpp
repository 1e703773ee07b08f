#include "link/serial_port.h"

namespace zorvane::link {

std::string SettingsText(const LineSettings& settings)
{
    return std::to_string(settings.baud) + "," + settings.parity + "," + std::to_string(settings.dataBits) + "," +
           std::to_string(settings.stopBits);
}

void SetBaudRate(SerialPort& Com, std::int32_t baud)
{
    if (!Com.PortOpen())
        throw SerialError(kErrPortNotOpen, "Operation valid only when the port is open", Com.Name());
    switch (Com.changeBaudRate(baud)) {
    case BaudChange::Done:
        return;
    case BaudChange::StateUnreadable:
        throw SerialError(kErrReadState, "Could not read current state of the port", Com.Name());
    case BaudChange::Refused:
        throw SerialError(kErrSetBaudRate, "Could not set port to specified baud rate", Com.Name());
    }
}

} // namespace zorvane::link

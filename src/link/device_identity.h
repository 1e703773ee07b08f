// Which device a port really is: what a flash record names so that a radio
// can be traced to the adapter and bench position it was flashed on.
#pragma once

#include <string>

namespace zorvane::link {

struct DeviceIdentity {
    std::string path;        // the device opened, links resolved: /dev/ttyUSB0
    std::string byId;        // its /dev/serial/by-id name, where it has one
    std::string usbSerial;   // the USB adapter's serial number, where there is one
};

} // namespace zorvane::link

// What a serial device is: its real path, its stable by-id name and the USB
// adapter's serial number.
#pragma once

#include <string>

#include "link/device_identity.h"

namespace zorvane::link {

// device: as the run opens it (a path, a link to one, or a name the serial
// layer knows). Fields that cannot be found stay empty.
DeviceIdentity DescribeDevice(const std::string& device);

} // namespace zorvane::link

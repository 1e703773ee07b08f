// What the system says about a serial device that did not open, so that
// the flasher can tell the operator why and what to do.
#pragma once

#include <optional>
#include <string>

namespace zorvane::os {

struct DeviceFacts {
    bool exists = false;
    bool characterDevice = false;
    bool terminal = false;           // answers as a serial line does
    bool readWrite = false;          // this user may open it for reading and writing
    std::string group;               // the group that owns it
    std::optional<int> holderPid;    // from a live lock file
    std::string holderName;
};

DeviceFacts GatherDeviceFacts(const std::string& device);

} // namespace zorvane::os

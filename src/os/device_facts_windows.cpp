#include "os/device_facts.h"

#include <windows.h>

namespace zorvane::os {

// A COM port is no file to look at: whether it exists is all there is to tell.
DeviceFacts GatherDeviceFacts(const std::string& device)
{
    DeviceFacts facts;
    char target[512];
    const std::string name = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
    facts.exists = QueryDosDeviceA(name.c_str(), target, sizeof target) != 0;
    facts.characterDevice = facts.exists;
    facts.terminal = facts.exists;
    facts.readWrite = facts.exists;
    return facts;
}

} // namespace zorvane::os

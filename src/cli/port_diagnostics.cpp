#include "cli/port_diagnostics.h"

#include "link/serial_port.h"
#include "os/device_facts.h"

namespace zorvane::cli {

PortFacts GatherPortFacts(const std::string& device, const OpenError& error)
{
    return {os::GatherDeviceFacts(device), error.number, OpenErrorText(error), error.device == device};
}

std::string DescribePortProblem(const std::string& device, const PortFacts& facts)
{
    if (!facts.exists)
        return device + ": no such device; see zorvane-flash --list-ports";
    if (!facts.characterDevice)
        return device + ": not a serial device; see zorvane-flash --list-ports";
    if (!facts.readWrite) {
        const std::string group = facts.group.empty() ? "dialout" : facts.group;
        return device + ": permission denied; the device belongs to group " + group + ": sudo usermod -aG " + group +
               " $USER, then log in again";
    }
    if (facts.holderPid)
        return device + ": held by " + (facts.holderName.empty() ? "another program" : facts.holderName) +
               " (process " + std::to_string(*facts.holderPid) + "); end it or choose another port";
    if (facts.errorNumber == link::kErrPortInUse)
        return device + ": another program holds it; end it or choose another port";
    if (!facts.terminal)
        return device + ": not a serial device; see zorvane-flash --list-ports";
    return facts.reasonNamesDevice ? facts.reason : device + ": " + facts.reason;
}

std::string DiagnoseOpenFailure(const std::string& device, OpenError& error)
{
    const PortFacts facts = GatherPortFacts(device, error);
    error.holder = facts.holderName;
    error.holderPid = facts.holderPid;
    return DescribePortProblem(device, facts);
}

} // namespace zorvane::cli

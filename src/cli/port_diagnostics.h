// Why a serial device did not open, and what the operator can do about it,
// in one line.
#pragma once

#include <optional>
#include <string>

#include "engine/run_types.h"
#include "os/device_facts.h"

namespace zorvane::cli {

// What the system says about a device.
struct PortFacts : os::DeviceFacts {
    int errorNumber = 0;             // the serial layer's error number
    std::string reason;              // the serial layer's description
    bool reasonNamesDevice = false;  // the description begins with the device
};

PortFacts GatherPortFacts(const std::string& device, const OpenError& error);

// "DEVICE: REASON; REMEDY" for the facts.
std::string DescribePortProblem(const std::string& device, const PortFacts& facts);

// The line for a port that did not open, from the serial layer's error; the
// error gains who holds the device, when that is known.
std::string DiagnoseOpenFailure(const std::string& device, OpenError& error);

} // namespace zorvane::cli

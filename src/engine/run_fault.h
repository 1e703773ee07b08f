// What went wrong in a run, kept as it happened from where it happened to
// where it is shown: the report, the boxes and the record. FaultText puts it
// in words once; a front end may put a fault in its own (the flasher's
// diagnosis of a port that did not open).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "files/image.h"
#include "link/command_link.h"

namespace zorvane {

// Why the port did not open, as the serial layer said it.
struct OpenError {
    int number = 0;          // 8005 held by another program, 8012 no such device, else another
    int systemError = 0;     // the operating system's error number (errno), when known
    std::string description;
    std::string source;      // the control that said it ("MSComm1")
};

// "DESCRIPTION (SOURCE error NUMBER)", the serial layer's own words.
std::string OpenErrorText(const OpenError& error);

// A command the radio did not acknowledge.
struct AckFault {
    link::AckReply reply;
};

// A programming block the radio did not take.
struct BlockFault {
    std::uint16_t address = 0;
    bool acknowledged = false;     // it answered, with another sum
    bool invalidReply = false;     // replies came, none of them valid
    std::uint8_t returnedSum = 0;
    std::uint8_t expectedSum = 0;
    int resends = 0;
};

// A file fault is the reader's files::ImageFault.
using RunFault = std::variant<OpenError, AckFault, BlockFault, files::ImageFault>;

// "block $8100: the radio's sum $34 differs from $33"
std::string FaultText(const RunFault& fault);

} // namespace zorvane

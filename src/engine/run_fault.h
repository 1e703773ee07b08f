// What went wrong in a run, kept as it happened from where it happened to
// where it is shown: the report, the boxes, the record and the event stream.
// FaultText puts it in words once (a front end may put a port that did not
// open in its own); FaultFieldsOf gives its kind and facts, so that a line
// controller decides by kind, never by words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "files/image.h"
#include "link/command_link.h"

namespace zorvane {

// Why the port did not open, as the serial layer said it.
struct OpenError {
    int number = 0;          // 8005 held by another program, 8012 no such device, else another
    int systemError = 0;     // the operating system's error number (errno), when known
    std::string description;
    std::string source;      // the control that said it ("MSComm1")
    std::string device{};    // the device the description begins with; empty: it names none
    // Who holds the device, when the front end's diagnosis found out.
    std::string holder{};
    std::optional<int> holderPid{};
};

// "DESCRIPTION (SOURCE error NUMBER)", the serial layer's own words.
std::string OpenErrorText(const OpenError& error);

// The port failed after it opened.
struct SerialFault {
    OpenError error;
};

// A command the radio did not acknowledge.
struct AckFault {
    link::AckReply reply;
    std::uint8_t opcode = 0;
};

// A programming block the radio did not take.
struct BlockFault {
    std::uint16_t address = 0;
    bool acknowledged = false;     // it answered, with another sum
    bool invalidReply = false;     // replies came, none of them valid
    std::uint8_t returnedSum = 0;
    std::uint8_t expectedSum = 0;
    int resends = 0;               // resends made before the block was given up
};

// The boot ROM's echo of the boot code.
struct EchoFault {
    enum class Kind {
        Missing,   // not all of it came within the limit
        Late,      // all of it, too late
        Differs,   // a byte other than the one sent
    };
    Kind kind = Kind::Missing;
    std::size_t received = 0;     // bytes read while the echo was awaited
    double seconds = 0;           // after the last boot byte, when the echo was complete or given up
    std::size_t byte = 0;         // the boot byte whose echo differs (1..1024)
    std::uint8_t sent = 0;
    std::uint8_t got = 0;
};

// The boot code's version reply.
struct VersionFault {
    bool replied = false;   // a reply came in time, its sum wrong
    std::uint8_t sum = 0;
    std::uint8_t expected = 0;
};

// No platform was chosen.
struct NoPlatform {};

// Something the run does not know of ended it, or kept it from starting.
struct InternalFault {
    std::string what;
};

// The operator stopped the run.
struct Stopped {};

// A file fault is the reader's files::ImageFault.
using RunFault = std::variant<OpenError, SerialFault, AckFault, BlockFault, EchoFault, VersionFault, files::ImageFault,
                              NoPlatform, InternalFault, Stopped>;

// "block $8100: the radio's sum $34 differs from $33"
std::string FaultText(const RunFault& fault);

// A fact of a fault: text (hex digits for bytes and addresses), a count, or seconds.
struct FaultFact {
    std::string name;
    std::variant<std::string, std::int64_t, double> value;
};

struct FaultFields {
    std::string kind;   // "block-sum", "port-busy", "image", ...
    std::vector<FaultFact> facts;
};

FaultFields FaultFieldsOf(const RunFault& fault);

// A file the release manifest does not vouch for: the run was refused, not
// the radio.
bool NotReleased(const std::optional<RunFault>& fault);

} // namespace zorvane

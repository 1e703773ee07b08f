#include "engine/run_fault.h"

#include "engine/hex_text.h"
#include "files/hex_text.h"
#include "link/clock.h"
#include "link/protocol.h"

namespace zorvane {

namespace {

std::string blockText(const BlockFault& fault)
{
    const std::string where = "block $" + HexText(fault.address) + ": ";
    if (fault.acknowledged)
        return where + "the radio's sum $" + HexText(fault.returnedSum) + " differs from $" +
               HexText(fault.expectedSum);
    return where + (fault.invalidReply ? "no valid acknowledgement after " : "no acknowledgement after ") +
           std::to_string(fault.resends) + " resends";
}

std::string echoText(const EchoFault& fault)
{
    switch (fault.kind) {
    case EchoFault::Kind::Missing:
        return "no echo within " + link::WholeSecondsText(link::kEchoWaitLimit) + " of the last boot byte";
    case EchoFault::Kind::Late:
        return "echo " + link::SecondsText(link::Seconds(fault.seconds)) + " after the last boot byte";
    case EchoFault::Kind::Differs:
        break;
    }
    return "echo byte " + std::to_string(fault.byte) + " differs";
}

std::string versionText(const VersionFault& fault)
{
    if (fault.replied)
        return "version reply checksum $" + HexText(fault.sum) + ", expected $" + HexText(fault.expected);
    return "no version reply within " + link::WholeSecondsText(link::kVersionWaitLimit);
}

// Puts each kind in words; the overloads are picked by std::visit.
struct Words {
    std::string operator()(const OpenError& f) const { return OpenErrorText(f); }
    std::string operator()(const SerialFault& f) const { return OpenErrorText(f.error); }
    std::string operator()(const AckFault& f) const { return f.reply.cause(); }
    std::string operator()(const BlockFault& f) const { return blockText(f); }
    std::string operator()(const EchoFault& f) const { return echoText(f); }
    std::string operator()(const VersionFault& f) const { return versionText(f); }
    std::string operator()(const files::ImageFault& f) const { return f.text; }
    std::string operator()(const NoPlatform&) const { return "no platform chosen"; }
    std::string operator()(const InternalFault& f) const { return f.what; }
    std::string operator()(const Stopped&) const { return "stopped by the operator"; }
};

} // namespace

std::string OpenErrorText(const OpenError& error)
{
    return error.description + " (" + error.source + " error " + std::to_string(error.number) + ")";
}

std::string FaultText(const RunFault& fault)
{
    return std::visit(Words{}, fault);
}

} // namespace zorvane

#include "engine/run_fault.h"

#include "engine/hex_text.h"

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

} // namespace

std::string OpenErrorText(const OpenError& error)
{
    return error.description + " (" + error.source + " error " + std::to_string(error.number) + ")";
}

std::string FaultText(const RunFault& fault)
{
    if (const auto* open = std::get_if<OpenError>(&fault))
        return OpenErrorText(*open);
    if (const auto* ack = std::get_if<AckFault>(&fault))
        return ack->reply.cause();
    if (const auto* block = std::get_if<BlockFault>(&fault))
        return blockText(*block);
    return std::get<files::ImageFault>(fault).text;
}

} // namespace zorvane

// A fault's kind and facts, as records and the event stream carry them:
// bytes and addresses as upper-case hex digits, counts as numbers.
#include "engine/run_fault.h"

#include <cmath>

#include "files/hex_text.h"
#include "link/serial_port.h"

namespace zorvane {

namespace {

FaultFact hex(const char* name, std::uint32_t value, int digits)
{
    return {name, files::HexDigits(value, digits)};
}

FaultFact count(const char* name, std::int64_t value)
{
    return {name, value};
}

// To the millisecond, as the record's other times.
FaultFact seconds(double value)
{
    return {"seconds", std::round(value * 1000) / 1000};
}

FaultFields openFields(const OpenError& f)
{
    const char* kind = f.number == link::kErrPortInUse    ? "port-busy"
                       : f.number == link::kErrCannotOpen ? "port-missing"
                                                          : "port-error";
    FaultFields fields{kind, {count("number", f.number), count("errno", f.systemError)}};
    if (!f.device.empty())
        fields.facts.push_back({"device", f.device});
    if (!f.holder.empty())
        fields.facts.push_back({"holder", f.holder});
    if (f.holderPid)
        fields.facts.push_back(count("pid", *f.holderPid));
    return fields;
}

const char* ackKind(link::AckResult result)
{
    switch (result) {
    case link::AckResult::Acknowledged:
    case link::AckResult::NoReply: return "command-no-reply";
    case link::AckResult::Late: return "command-late";
    case link::AckResult::WrongOpcode: return "command-wrong-opcode";
    case link::AckResult::NotAccepted: return "command-refused";
    case link::AckResult::BadChecksum: return "command-sum";
    }
    return "command-no-reply";
}

FaultFields ackFields(const AckFault& f)
{
    FaultFields fields{ackKind(f.reply.result), {hex("opcode", f.opcode, 2)}};
    if (f.reply.result != link::AckResult::NoReply)
        fields.facts.push_back({"reply", files::HexBytes(f.reply.frame)});
    if (f.reply.result == link::AckResult::Late)
        fields.facts.push_back(seconds(f.reply.elapsed.count()));
    return fields;
}

FaultFields blockFields(const BlockFault& f)
{
    if (f.acknowledged)
        return {"block-sum",
                {hex("address", f.address, 4), hex("expected", f.expectedSum, 2), hex("got", f.returnedSum, 2),
                 count("resends", f.resends)}};
    return {f.invalidReply ? "block-invalid" : "block-no-ack",
            {hex("address", f.address, 4), count("resends", f.resends)}};
}

FaultFields echoFields(const EchoFault& f)
{
    switch (f.kind) {
    case EchoFault::Kind::Missing:
        return {"echo-missing", {count("received", static_cast<std::int64_t>(f.received))}};
    case EchoFault::Kind::Late:
        return {"echo-late", {seconds(f.seconds)}};
    case EchoFault::Kind::Differs:
        break;
    }
    return {"echo-differs",
            {count("byte", static_cast<std::int64_t>(f.byte)), hex("sent", f.sent, 2), hex("got", f.got, 2)}};
}

FaultFields imageFields(const files::ImageFault& f)
{
    if (!f.notReleased.empty())
        return {"not-released", {{"file", f.file}, {"reason", f.notReleased}}};
    FaultFields fields{"image", {{"file", f.file}}};
    if (f.line > 0)
        fields.facts.push_back(count("line", f.line));
    fields.facts.push_back({"fault", f.rule});
    return fields;
}

struct Fields {
    FaultFields operator()(const OpenError& f) const { return openFields(f); }
    FaultFields operator()(const SerialFault& f) const
    {
        return {"port-failed", {count("number", f.error.number), count("errno", f.error.systemError)}};
    }
    FaultFields operator()(const AckFault& f) const { return ackFields(f); }
    FaultFields operator()(const BlockFault& f) const { return blockFields(f); }
    FaultFields operator()(const EchoFault& f) const { return echoFields(f); }
    FaultFields operator()(const VersionFault& f) const
    {
        if (f.replied)
            return {"version-sum", {hex("got", f.sum, 2), hex("expected", f.expected, 2)}};
        return {"no-version", {}};
    }
    FaultFields operator()(const files::ImageFault& f) const { return imageFields(f); }
    FaultFields operator()(const NoPlatform&) const { return {"no-platform", {}}; }
    FaultFields operator()(const InternalFault& f) const { return {"internal", {{"what", f.what}}}; }
    FaultFields operator()(const Stopped&) const { return {"stopped", {}}; }
};

} // namespace

bool NotReleased(const std::optional<RunFault>& fault)
{
    const auto* image = fault ? std::get_if<files::ImageFault>(&*fault) : nullptr;
    return image != nullptr && !image->notReleased.empty();
}

FaultFields FaultFieldsOf(const RunFault& fault)
{
    return std::visit(Fields{}, fault);
}

} // namespace zorvane

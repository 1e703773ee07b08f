#include "cli/port_list.h"


#include "files/hex_text.h"
#include "files/shown_text.h"

namespace zorvane::cli {

namespace {

void line(std::string& out, const char* label, const std::string& value)
{
    if (!value.empty())
        out += "  " + std::string(label) + files::ShownText(value) + "\n";
}

std::string hex4(std::uint16_t value)
{
    return files::HexDigits(value, 4, files::HexCase::Lower);
}

} // namespace

std::string FormatPortList(const std::vector<PortEntry>& ports, const std::string& comm1, const std::string& comm2,
                           const std::function<bool(const std::string&)>& present)
{
    std::string out;
    if (ports.empty())
        out += "No serial ports found.\n";
    for (const PortEntry& port : ports) {
        out += files::ShownText(port.device) + "\n";
        line(out, "stable name:  ", port.stableName);
        line(out, "description:  ", port.description);
        line(out, "manufacturer: ", port.manufacturer);
        line(out, "serial:       ", port.serialNumber);
        if (port.vendorId || port.productId)
            line(out, "VID:PID:      ", (port.vendorId ? hex4(*port.vendorId) : "????") + ":" +
                                           (port.productId ? hex4(*port.productId) : "????"));
    }
    for (const auto& [name, device] : {std::pair{"Comm1", &comm1}, std::pair{"Comm2", &comm2}})
        out += std::string(name) + " is " + files::ShownText(*device) + (present(*device) ? "" : " (no such device)") + "\n";
    return out;
}

} // namespace zorvane::cli

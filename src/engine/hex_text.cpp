#include "engine/hex_text.h"

#include "files/hex_text.h"

namespace zorvane {

std::string HexText(std::uint32_t value)
{
    return files::HexDigits(value);
}

std::string ChecksumText(const ImageChecksum& bytes)
{
    return "$" + HexText(bytes[0]) + HexText(bytes[1]);
}

std::string PortText(std::int16_t port)
{
    std::string number = std::to_string(port);
    return "Comm " + (port >= 0 ? " " + number : number);
}

std::string PortText(const link::PortChoice& port)
{
    return port.device.empty() ? PortText(port.comm) : port.device;
}

} // namespace zorvane

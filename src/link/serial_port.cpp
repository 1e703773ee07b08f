#include "link/serial_port.h"

#include <charconv>

namespace zorvane::link {

namespace {

std::vector<std::string_view> splitCommas(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
}

int parseNumber(std::string_view text, std::string_view settings)
{
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value <= 0)
        throw SerialError(kErrOpenFailed, "Invalid port settings: " + std::string(settings),
                          "MSComm1");
    return value;
}

} // namespace

LineSettings ParseSettings(std::string_view text)
{
    std::vector<std::string_view> parts = splitCommas(text);
    if (parts.size() != 4 || parts[1].size() != 1)
        throw SerialError(kErrOpenFailed, "Invalid port settings: " + std::string(text), "MSComm1");
    LineSettings settings;
    settings.baud = parseNumber(parts[0], text);
    settings.parity = parts[1][0];
    settings.dataBits = parseNumber(parts[2], text);
    settings.stopBits = parseNumber(parts[3], text);
    return settings;
}

void SetBaudRate(SerialPort& Com, std::int32_t baud)
{
    if (!Com.PortOpen())
        throw SerialError(kErrPortNotOpen, "Operation valid only when the port is open", Com.Name());
    switch (Com.changeBaudRate(baud)) {
    case BaudChange::Done:
        return;
    case BaudChange::StateUnreadable:
        throw SerialError(kErrReadState, "Could not read current state of the port", Com.Name());
    case BaudChange::Refused:
        throw SerialError(kErrSetBaudRate, "Could not set port to specified baud rate", Com.Name());
    }
}

} // namespace zorvane::link

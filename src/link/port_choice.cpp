#include "link/port_choice.h"

namespace zorvane::link {

std::string PortText(CommEntry entry)
{
    const std::string number = std::to_string(entry.number);
    return "Comm " + (entry.number >= 0 ? " " + number : number);
}

std::string PortText(const PortChoice& port)
{
    if (const DevicePath* device = std::get_if<DevicePath>(&port))
        return device->path;
    return PortText(std::get<CommEntry>(port));
}

} // namespace zorvane::link

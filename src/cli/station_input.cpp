#include "cli/station_input.h"

#include <algorithm>
#include <charconv>

namespace zorvane::cli {

namespace {

StationLine chosenStation(const std::string& name, const std::vector<std::string>& ports)
{
    if (const std::optional<std::size_t> station = StationNamed(name, ports))
        return ChooseStation{*station};
    return UnknownStation{"No station @" + name + ": give @1 to @" + std::to_string(ports.size()) +
                          " or a port as given."};
}

} // namespace

std::optional<std::size_t> StationNamed(const std::string& name, const std::vector<std::string>& ports)
{
    // A port given as 1 or 2 (a Comm entry) is named by what the board shows.
    const auto port = std::find(ports.begin(), ports.end(), name);
    if (port != ports.end())
        return static_cast<std::size_t>(port - ports.begin());
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error == std::errc() && end == name.data() + name.size() && number >= 1 && number <= ports.size())
        return number - 1;
    return std::nullopt;
}

StationLine ReadStationLine(const std::string& line, const std::vector<std::string>& ports, bool noUnits)
{
    if (line.empty())
        return noUnits ? StationLine{ScannedLabel{}} : StationLine{};
    if (line == "q")
        return EndShift{};
    if (line.front() == '@')
        return chosenStation(line.substr(1), ports);
    return ScannedLabel{line};
}

std::optional<std::size_t> NextStation(const std::vector<bool>& armed, std::optional<std::size_t> lastUsed,
                                       std::optional<std::size_t> chosen)
{
    if (chosen && *chosen < armed.size() && armed[*chosen])
        return chosen;
    const std::size_t first = lastUsed ? *lastUsed + 1 : 0;
    for (std::size_t step = 0; step < armed.size(); ++step) {
        const std::size_t station = (first + step) % armed.size();
        if (armed[station])
            return station;
    }
    return std::nullopt;
}

} // namespace zorvane::cli

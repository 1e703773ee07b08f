#include "cli/controller_commands.h"

#include <map>

namespace zorvane::cli {

namespace {

using Json = nlohmann::ordered_json;

CommandRefused malformed(Json id, std::string command, std::string text)
{
    return {std::move(id), std::move(command), "malformed", std::move(text)};
}

// A field that must be a string when it is there.
bool takeText(const Json& command, const char* field, std::optional<std::string>& into)
{
    if (!command.contains(field))
        return true;
    const Json& value = command[field];
    if (value.is_number_unsigned() && std::string(field) == "station") {
        into = std::to_string(value.get<std::uint64_t>());   // "station": 3 means the third, as "3" does
        return true;
    }
    if (!value.is_string())
        return false;
    into = value.get<std::string>();
    return true;
}

} // namespace

const char* CommandName(ControllerCommand::Kind kind)
{
    switch (kind) {
    case ControllerCommand::Kind::Start: return "start";
    case ControllerCommand::Kind::Next: return "next";
    case ControllerCommand::Kind::Status: return "status";
    case ControllerCommand::Kind::End: return "end";
    }
    return "";
}

std::variant<ControllerCommand, CommandRefused> ReadControllerCommand(const std::string& line)
{
    static const std::map<std::string, ControllerCommand::Kind> kinds{{"start", ControllerCommand::Kind::Start},
                                                                      {"next", ControllerCommand::Kind::Next},
                                                                      {"status", ControllerCommand::Kind::Status},
                                                                      {"end", ControllerCommand::Kind::End}};
    const Json command = Json::parse(line, nullptr, false);
    if (command.is_discarded() || !command.is_object())
        return malformed(nullptr, "", "a command is one JSON object on a line");
    const Json id = command.value("id", Json());
    if (!command.contains("command") || !command["command"].is_string())
        return malformed(id, "", "a command names itself: \"command\": \"start\", \"next\", \"status\" or \"end\"");
    const std::string name = command["command"].get<std::string>();
    const auto kind = kinds.find(name);
    if (kind == kinds.end())
        return CommandRefused{id, name, "unknown-command",
                              "no command " + name + ": give start, next, status or end"};
    ControllerCommand taken{kind->second, id, std::nullopt, std::nullopt};
    if (!takeText(command, "unit", taken.unit) || !takeText(command, "station", taken.station))
        return malformed(id, name, "\"unit\" and \"station\" are strings (a station also its number)");
    if (taken.kind == ControllerCommand::Kind::Next && !taken.station)
        return malformed(id, name, "next names its \"station\"");
    return taken;
}

} // namespace zorvane::cli

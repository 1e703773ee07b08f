#include "cli/information_commands.h"

#include <cstdio>
#include <filesystem>

#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/port_list.h"
#include "zorvane_version.h"

namespace zorvane::cli {

std::string DeviceFor(const std::string& port, const prepare::Settings& settings)
{
    if (port == "1" || port == "2")
        return settings.commDevice(port == "2" ? 2 : 1);
    return port;
}

std::optional<int> InformationAsked(const CliOptions& options, const prepare::Settings& settings)
{
    if (options.help) {
        std::fputs(kCliUsage, stdout);
        return kExitSuccess;
    }
    if (options.version) {
        std::printf("zorvane-flash %s\n", kVersion);
        return kExitSuccess;
    }
    if (!options.listPorts)
        return std::nullopt;
    const auto present = [](const std::string& device) {
        std::error_code ec;
        return std::filesystem::exists(device, ec);
    };
    std::fputs(FormatPortList(SystemPorts(), DeviceFor("1", settings), DeviceFor("2", settings), present).c_str(), stdout);
    return kExitSuccess;
}

} // namespace zorvane::cli

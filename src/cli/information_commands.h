// What the flasher answers without a run: --help, --version, --list-ports.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "prepare/settings.h"

namespace zorvane::cli {

// The device a --port names: Comm1 or Comm2 as in the window ("1", "2"),
// else the device path itself.
std::string DeviceFor(const std::string& port, const prepare::Settings& settings);

// The exit status when the options ask for information only; none for a run.
std::optional<int> InformationAsked(const CliOptions& options, const prepare::Settings& settings);

} // namespace zorvane::cli

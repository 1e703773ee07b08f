// What the flasher answers without a run: --help, --version, --list-ports.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_options.h"

namespace zorvane::cli {

// The device a --port names: Comm1 or Comm2 as in the window ("1", "2"),
// else the device path itself.
std::string DeviceFor(const std::string& port);

// The exit status when the options ask for information only; none for a run.
std::optional<int> InformationAsked(const CliOptions& options);

} // namespace zorvane::cli

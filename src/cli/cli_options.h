// zorvane-flash's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zorvane::cli {

enum class LineErrorAnswer { Ask, Continue, Cancel };

struct CliOptions {
    std::string port;             // "1", "2" or a device path
    std::string platform;         // pellamar, tessivar, other
    std::string configFile;       // or a configuration file of one's own
    bool yes = false;             // do not wait for Enter at the reset prompt
    LineErrorAnswer onLineError = LineErrorAnswer::Ask;
    std::string traceFile;
    bool quiet = false;
    bool help = false;
};

// Returns an error text for arguments it cannot use.
std::optional<std::string> ParseCliOptions(const std::vector<std::string>& args, CliOptions& options);

extern const char* const kCliUsage;

} // namespace zorvane::cli

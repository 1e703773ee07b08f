// Why a run cannot start, put in words once for the window's box and the
// flasher's lines alike.
#pragma once

#include <string>

#include "files/platform_config.h"

namespace zorvane::prepare {

enum class RefusalKind {
    Configuration,   // the platform's configuration file cannot be used
    Release,         // the release manifest or its signature refuses the files
    Usage,           // the choices contradict themselves
    Stopped,         // a stop came while the files were checked
};

struct Refusal {
    RefusalKind kind = RefusalKind::Usage;
    std::string title;       // the box's title
    std::string text;        // the box's text, its lines split by a carriage return
    std::string firstLine;   // the box's first line
    std::string cause;       // what is wrong, with file and line; empty: the text says it all
};

// The configuration's box naming file, with its cause.
Refusal ConfigurationRefusal(files::ConfigResult result, const std::string& file, std::string cause);
// The release check refused the run: a file it does not vouch for (file
// named), or a manifest or signature it cannot trust (none).
Refusal ReleaseRefusal(const std::string& file, std::string cause);
Refusal UsageRefusal(std::string text);
Refusal StoppedRefusal();

// The box in one: its first line, then the cause in place of the hint that
// follows it; the whole text when there is no cause.
std::string FirstLineAndCause(const Refusal& refusal);

} // namespace zorvane::prepare

#include "cli/refusal_text.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/run_text.h"
#include "files/shown_text.h"

namespace zorvane::cli {

int UsageError(const std::string& error)
{
    std::fprintf(stderr, "zorvane-flash: %s\nTry 'zorvane-flash --help'.\n", files::ShownText(error).c_str());
    return kExitUsage;
}

int ShowRefusal(const prepare::Refusal& refusal, bool json)
{
    switch (refusal.kind) {
    case prepare::RefusalKind::Usage:
        return UsageError(refusal.text);
    case prepare::RefusalKind::Stopped:
        return kExitCancelled;   // the stop was told as it came
    case prepare::RefusalKind::Configuration:
    case prepare::RefusalKind::Release:
        break;
    }
    std::FILE* out = json ? stderr : stdout;
    std::fputs(BoxText(refusal.title, refusal.text).c_str(), out);
    if (!refusal.cause.empty())
        std::fprintf(out, "  cause: %s\n", files::ShownText(refusal.cause).c_str());
    return refusal.kind == prepare::RefusalKind::Release ? kExitNotReleased : kExitConfiguration;
}

} // namespace zorvane::cli

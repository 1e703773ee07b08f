#include "cli/radio_modes.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/terminal_host.h"
#include "files/shown_text.h"

namespace zorvane::cli {

int FlashOneRadio(const CliOptions& options, std::vector<PortRun>& runs, link::Clock& clock,
                  os::SignalWait& signalWait, std::FILE* trace, std::vector<RunReport>& reports)
{
    TerminalHost host(options, clock);
    runs[0].host = &host;
    reports = RunAll(
        runs, clock, signalWait, trace,
        [] {
            std::fputs("\nStopping the run...\n", stdout);
            std::fflush(stdout);
        },
        nullptr);
    host.printResults();
    if (reports[0].outcome == RunOutcome::Cancelled)
        std::printf("Run cancelled: %s.\n", files::ShownText(reports[0].cause).c_str());
    return ExitCodeFor(reports[0].outcome, reports[0].fault);
}

} // namespace zorvane::cli

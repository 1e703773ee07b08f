#include "cli/radio_modes.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli/bench_host.h"
#include "cli/reset_gate.h"
#include "cli/summary.h"
#include "cli/terminal_input.h"
#include "files/shown_text.h"
#include "os/terminal.h"

namespace zorvane::cli {

int FlashBench(const CliOptions& options, std::vector<PortRun>& runs, link::Clock& clock,
               os::SignalWait& signalWait, std::vector<RunReport>& reports)
{
    std::vector<std::string> ports;
    std::vector<std::string> units;
    for (const PortRun& run : runs) {
        ports.push_back(run.port);
        if (run.record->unit())
            units.push_back(*run.record->unit());
    }
    if (units.size() != ports.size())
        units.clear();
    const bool terminal = OutputIsTerminal();
    const bool colour = ColourWanted(terminal, std::getenv("NO_COLOR"));
    BenchBoard board(ports, {terminal, colour, options.quiet}, stdout, os::TerminalSizeNow,
                          [&signalWait] { signalWait.wake(); }, units);
    ResetGate gate(ports, [&](const std::vector<std::string>& waiting, std::stop_token stop) {
        if (options.yes)
            return Answer::GoOn;
        std::string list;
        for (const std::string& port : waiting)
            list += (list.empty() ? "" : ", ") + port;
        return AskForReset("Reset the radios on " + list + ", then press Enter (Ctrl-C stops every run). ",
                           "the runs", [&board](const std::string& text) { board.note(text); }, stop);
    });
    std::vector<std::unique_ptr<PortHost>> hosts;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        hosts.push_back(std::make_unique<PortHost>(i, board, gate, options));
        runs[i].host = hosts.back().get();
    }
    // A run that ends before its prompt lets the others' prompt go ahead.
    reports = RunAll(runs, clock, signalWait, nullptr, [&board] { board.note("\nStopping the runs...\n"); },
                          [&](std::size_t i) { gate.leave(i); },
                          [&board](bool resized) { return board.wake(resized); });
    // A stopped run shows no box of its own: its line says so.
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (reports[i].outcome == RunOutcome::Cancelled)
            board.ended(i, "Cancelled: " + reports[i].cause, false);
    board.finish();
    const std::vector<PortResult> results = ResultsOf(runs, reports);
    PrintSummary(stdout, results, colour);
    if (const std::optional<std::string> again = FlashAgainCommand(options.arguments, results))
        std::printf("To flash the failed radios again:\n  %s\n", files::ShownText(*again).c_str());
    return ExitCodeForAll(results);
}

} // namespace zorvane::cli

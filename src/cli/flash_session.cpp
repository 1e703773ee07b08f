#include "cli/flash_session.h"

#include <algorithm>
#include <future>

#include "cli/tracing_port.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/qt_worker_thread.h"

namespace zorvane::cli {

namespace {

bool allEnded(std::vector<std::future<RunReport>>& reports)
{
    return std::all_of(reports.begin(), reports.end(), [](std::future<RunReport>& report) {
        return report.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
}

// A run's runner on its own device, its line traffic traced when asked.
std::unique_ptr<FlashRunner> runnerFor(const PortRun& run, link::Clock& clock, std::FILE* trace)
{
    return std::make_unique<FlashRunner>(
        [&clock, trace]() -> std::unique_ptr<link::SerialPort> {
            // The flasher's runs name their device paths: no Comm entry is resolved.
            auto port = std::make_unique<link::QtSerialPort>(clock, [](int) { return std::string(); });
            if (trace != nullptr)
                return std::make_unique<TracingPort>(std::move(port), trace, clock);
            return port;
        },
        clock, *run.host, link::StartQtThread);
}

} // namespace

std::vector<RunReport> RunAll(std::vector<PortRun>& runs, link::Clock& clock, os::SignalWait& signalWait,
                              std::FILE* trace, const std::function<void()>& stopRequested, RunEnded finished,
                              const SessionWake& wake)
{
    std::stop_source stopping;
    std::vector<std::unique_ptr<FlashRunner>> runners;
    std::vector<std::promise<RunReport>> done(runs.size());
    std::vector<std::future<RunReport>> reports;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        runners.push_back(runnerFor(runs[i], clock, trace));
        reports.push_back(done[i].get_future());
    }
    for (std::size_t i = 0; i < runs.size(); ++i)
        runners[i]->start(
            runs[i].request,
            [&done, &finished, &signalWait, i](const RunReport& report) {
                if (finished)
                    finished(i);
                done[i].set_value(report);
                signalWait.wake();
            },
            runs[i].record);

    std::optional<std::chrono::steady_clock::time_point> next;
    while (!allEnded(reports)) {
        // A hang-up leaves the runs under way to finish, their records kept:
        // a radio stopped half-programmed is worse than a lost terminal.
        const os::WaitEvent event = signalWait.wait(next);
        if (event == os::WaitEvent::Stop && !stopping.stop_requested()) {
            stopping.request_stop();
            if (stopRequested)
                stopRequested();
            for (auto& runner : runners)
                runner->cancel();
        }
        next = wake ? wake(event == os::WaitEvent::Resize) : std::nullopt;
    }
    std::vector<RunReport> results;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        runners[i]->wait();
        results.push_back(reports[i].get());
    }
    return results;
}

} // namespace zorvane::cli

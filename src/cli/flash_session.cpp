#include "cli/flash_session.h"

#include <future>

#include "cli/tracing_port.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/qt_worker_thread.h"

namespace zorvane::cli {

namespace {
constexpr auto kSignalPoll = std::chrono::milliseconds(100);
}

sigset_t BlockStopSignals()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGWINCH);   // the terminal's size: the live block is drawn again
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

std::vector<RunReport> RunAll(std::vector<PortRun>& runs, link::Clock& clock, const sigset_t& stopSignals,
                              std::FILE* trace, const std::function<void()>& stopRequested, RunEnded finished,
                              const std::function<void(bool resized)>& wake)
{
    std::stop_source stopping;
    std::vector<std::unique_ptr<FlashRunner>> runners;
    std::vector<std::promise<RunReport>> done(runs.size());
    std::vector<std::future<RunReport>> reports;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const PortRun& run = runs[i];
        runners.push_back(std::make_unique<FlashRunner>(
            [&clock, &run, trace]() -> std::unique_ptr<link::SerialPort> {
                auto port = std::make_unique<link::QtSerialPort>(clock, [device = run.device](int) { return device; });
                port->setCommPort(run.request.port);
                if (trace != nullptr)
                    return std::make_unique<TracingPort>(std::move(port), trace, clock);
                return port;
            },
            clock, *run.host, link::StartQtThread));
        reports.push_back(done[i].get_future());
    }
    for (std::size_t i = 0; i < runs.size(); ++i)
        runners[i]->start(
            runs[i].request,
            [&done, &finished, &stopping, i](const RunReport& report) {
                if (finished)
                    finished(i, stopping.get_token());
                done[i].set_value(report);
            },
            runs[i].record);

    for (std::future<RunReport>& report : reports) {
        while (report.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            const timespec timeout{0, std::chrono::nanoseconds(kSignalPoll).count()};
            const int signal = sigtimedwait(&stopSignals, nullptr, &timeout);
            if (wake)
                wake(signal == SIGWINCH);
            if (signal > 0 && signal != SIGWINCH && !stopping.stop_requested()) {
                stopping.request_stop();
                if (stopRequested)
                    stopRequested();
                for (auto& runner : runners)
                    runner->cancel();
            }
        }
    }
    std::vector<RunReport> results;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        runners[i]->wait();
        results.push_back(reports[i].get());
    }
    return results;
}

} // namespace zorvane::cli

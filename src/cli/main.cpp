// zorvane-flash: one flash run from the command line, for production benches.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/terminal_host.h"
#include "cli/tracing_port.h"
#include "engine/flash_runner.h"
#include "files/platform_config.h"
#include "link/clock.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/qt_worker_thread.h"

using namespace zorvane;

namespace {

constexpr auto kSignalPoll = std::chrono::milliseconds(100);

// Port 1 or 2 as in the window, or a device given by its path (run as port 1).
std::int16_t portNumber(const std::string& port)
{
    return port == "2" ? 2 : 1;
}

link::QtSerialPort::DeviceResolver deviceFor(const std::string& port)
{
    if (port == "1" || port == "2")
        return link::QtSerialPort::DefaultDevice;
    return [port](int) { return port; };
}

std::string configFileFor(const cli::CliOptions& options)
{
    if (!options.configFile.empty())
        return options.configFile;
    for (const files::Platform& p : files::kPlatforms)
        if ((options.platform == "other" && p.button == "optOther") ||
            p.configFile == options.platform + ".cfg")
            return std::string(p.configFile);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    cli::CliOptions options;
    if (auto error = cli::ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), options)) {
        std::fprintf(stderr, "zorvane-flash: %s\n\n%s", error->c_str(), cli::kCliUsage);
        return cli::kExitUsage;
    }
    if (options.help) {
        std::fputs(cli::kCliUsage, stdout);
        return cli::kExitSuccess;
    }

    const files::ConfigReading config = files::parseConfig(configFileFor(options));
    if (!config.loaded()) {
        const files::ConfigFailure failure = files::ConfigFailureMessage(config.result, config.config.configFile);
        std::string text = failure.text;
        std::replace(text.begin(), text.end(), '\r', '\n');
        std::printf("[%s] %s\n", failure.title.c_str(), text.c_str());
        return cli::kExitConfiguration;
    }
    if (!options.quiet) {
        const files::FileLabels labels = files::LabelsFor(config.config);
        std::printf("%s\n%s\n%s\nCONFIG Value: $%s\n", labels.boot.c_str(), labels.firmware.c_str(),
                    labels.eeprom.c_str(), config.config.configVal.c_str());
    }
    RunRequest request;
    request.port = portNumber(options.port);
    request.platform = config.config;

    std::FILE* trace = nullptr;
    if (!options.traceFile.empty() && (trace = std::fopen(options.traceFile.c_str(), "w")) == nullptr) {
        std::fprintf(stderr, "zorvane-flash: cannot write %s\n", options.traceFile.c_str());
        return cli::kExitUsage;
    }

    // Ctrl-C and SIGTERM stop the run through its closing steps; they are
    // taken by sigtimedwait below, so every thread must block them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    link::SteadyClock clock;
    cli::TerminalHost host(options);
    FlashRunner runner(
        [&]() -> std::unique_ptr<link::SerialPort> {
            auto port = std::make_unique<link::QtSerialPort>(clock, deviceFor(options.port));
            port->setCommPort(request.port);
            if (trace != nullptr)
                return std::make_unique<cli::TracingPort>(std::move(port), trace, clock);
            return port;
        },
        clock, host, link::StartQtThread);

    std::promise<RunReport> finished;
    std::future<RunReport> result = finished.get_future();
    runner.start(request, [&](const RunReport& report) { finished.set_value(report); });
    bool stopping = false;
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        const timespec timeout{0, std::chrono::nanoseconds(kSignalPoll).count()};
        if (sigtimedwait(&stopSignals, nullptr, &timeout) > 0 && !stopping) {
            stopping = true;
            std::fputs("\nStopping the run...\n", stdout);
            runner.cancel();
        }
    }
    runner.wait();
    const RunReport report = result.get();
    host.printResults();
    if (trace != nullptr) {
        if (!report.cause.empty())
            std::fprintf(trace, "# cause: %s\n", report.cause.c_str());
        std::fclose(trace);
    }
    return cli::ExitCodeFor(report.outcome);
}

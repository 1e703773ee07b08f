#include "cli/checked_files.h"

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/information_commands.h"
#include "cli/port_diagnostics.h"
#include "qtlink/device_identity.h"

namespace zorvane::cli {

namespace {

// How long a stop signal waits for the check to clean up after itself
// (GnuPG's agent ended, its folder removed) before the flasher leaves.
constexpr std::chrono::milliseconds kCheckLetGo{800};

using Checked = std::variant<prepare::CheckedInput, prepare::Refusal>;

struct Check {
    std::stop_source stop;
    std::promise<Checked> result;
    std::mutex mutex;
    os::SignalWait* waiting = nullptr;   // none once the flasher stopped listening

    void stopListening()
    {
        const std::lock_guard lock(mutex);
        waiting = nullptr;
    }
};

} // namespace

Checked CheckInputUnlessStopped(const prepare::InputChoices& choices, const prepare::Settings& settings,
                                os::SignalWait& signalWait)
{
    const auto check = std::make_shared<Check>();
    check->waiting = &signalWait;
    std::future<Checked> result = check->result.get_future();
    // Everything it reads is its own: a check stuck in a read the stop
    // cannot reach is left behind as the flasher ends.
    std::thread([check, choices, settings] {
        check->result.set_value(prepare::CheckInput(choices, settings, check->stop.get_token()));
        const std::lock_guard lock(check->mutex);
        if (check->waiting != nullptr)
            check->waiting->wake();
    }).detach();
    for (;;) {
        const os::WaitEvent event = signalWait.wait(std::nullopt);
        if (result.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            check->stopListening();
            return result.get();
        }
        if (event == os::WaitEvent::Stop || event == os::WaitEvent::HangUp)
            break;
    }
    check->stop.request_stop();
    prepare::Refusal stopped = prepare::StoppedRefusal();
    std::fprintf(stderr, "zorvane-flash: %s\n", stopped.text.c_str());
    result.wait_for(kCheckLetGo);
    check->stopListening();
    return stopped;
}

std::vector<prepare::PreparedPort> PreparedPortsFor(const CliOptions& options, const prepare::Settings& settings,
                                                    const prepare::CheckedInput& input,
                                                    const std::vector<std::string>& units)
{
    std::vector<prepare::PortTarget> targets;
    for (const std::string& port : options.ports) {
        // The run opens the device itself and names it in its status.
        const std::string device = DeviceFor(port, settings);
        targets.push_back({link::DevicePath{device}, port, link::DescribeDevice(device)});
    }
    std::vector<prepare::PreparedPort> prepared = prepare::PreparePorts(input, targets, units);
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        const std::string device = std::get<link::DevicePath>(targets[i].port).path;
        prepared[i].request.describeOpenFailure = [device](OpenError& error) {
            return DiagnoseOpenFailure(device, error);
        };
    }
    return prepared;
}

} // namespace zorvane::cli

#include "app/production_wiring.h"

#include <memory>
#include <string>

#include "prepare/records_choice.h"
#include "qtlink/device_identity.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/qt_worker_thread.h"
#include "qtlink/settings_store.h"

namespace zorvane::app {

ui::RunDependencies ProductionDependencies(prepare::Settings settings)
{
    static link::SteadyClock clock;
    ui::RunDependencies deps;
    deps.clock = &clock;
    // The devices behind Comm1 and Comm2, as the settings named them when the window started.
    const auto devices = std::make_shared<const std::array<std::string, 2>>(settings.commDevices);
    const auto deviceOf = [devices](int port) { return (*devices)[port == 2 ? 1 : 0]; };
    deps.makePort = [deviceOf] { return std::make_unique<link::QtSerialPort>(clock, deviceOf); };
    deps.startThread = link::StartQtThread;
    deps.describeDevice = [deviceOf](int port) { return link::DescribeDevice(deviceOf(port)); };
    deps.recordFile = prepare::RecordFileFor({}, false).value_or("");
    deps.settings = std::move(settings);
    deps.savePosition = link::SaveWindowPosition;
    return deps;
}

} // namespace zorvane::app

#include "app/production_wiring.h"

#include <array>
#include <memory>
#include <string>

#include "qtlink/device_identity.h"
#include "records/flash_record.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/qt_worker_thread.h"

namespace zorvane::app {

ui::RunDependencies ProductionDependencies()
{
    static link::SteadyClock clock;
    ui::RunDependencies deps;
    deps.clock = &clock;
    // The devices behind Comm1 and Comm2, read from the settings once, as the window starts.
    const auto devices = std::make_shared<const std::array<std::string, 2>>(
        std::array<std::string, 2>{link::QtSerialPort::DefaultDevice(1), link::QtSerialPort::DefaultDevice(2)});
    const auto deviceOf = [devices](int port) { return (*devices)[port == 2 ? 1 : 0]; };
    deps.makePort = [deviceOf] { return std::make_unique<link::QtSerialPort>(clock, deviceOf); };
    deps.startThread = link::StartQtThread;
    deps.describeDevice = [deviceOf](int port) { return link::DescribeDevice(deviceOf(port)); };
    deps.recordFile = DefaultFlashRecordPath();
    deps.settings = ui::ReadWindowSettings();
    return deps;
}

} // namespace zorvane::app

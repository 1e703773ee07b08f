#include "app/production_wiring.h"

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
    deps.makePort = [] { return std::make_unique<link::QtSerialPort>(clock); };
    deps.startThread = link::StartQtThread;
    deps.describeDevice = [](int port) { return link::DescribeDevice(link::QtSerialPort::DefaultDevice(port)); };
    deps.recordFile = DefaultFlashRecordPath();
    return deps;
}

} // namespace zorvane::app

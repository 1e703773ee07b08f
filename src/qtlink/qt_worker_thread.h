// A QThread for the flash run: QtSerialPort's notifiers need a thread that
// Qt started, even though the run only uses the blocking calls.
#pragma once

#include "engine/worker_thread.h"

namespace zorvane::link {

std::unique_ptr<WorkerThread> StartQtThread(std::function<void()> body);

} // namespace zorvane::link

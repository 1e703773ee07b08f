// What the window runs on in production: the real serial port, made on the
// run's QThread, and the steady clock.
#pragma once

#include "ui/main_window.h"

namespace zorvane::app {

ui::RunDependencies ProductionDependencies();

} // namespace zorvane::app

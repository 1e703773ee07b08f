// What the window runs on in production: the real serial port, made on the
// run's QThread, the steady clock, and the settings read as it started.
#pragma once

#include "ui/main_window.h"

namespace zorvane::app {

ui::RunDependencies ProductionDependencies(prepare::Settings settings);

} // namespace zorvane::app

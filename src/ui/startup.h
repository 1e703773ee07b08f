// Main: the start-up card, the main window loaded behind it, and the
// hand-over between the two.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "ui/main_window.h"
#include "ui/startup_screen.h"

namespace zorvane::ui {

using MainWindowLoader = std::function<std::unique_ptr<frmMain>()>;

// Shows the card, loads the main window hidden, waits until the card has been
// up for cardTime (at once when loading took longer), removes the card and
// shows the main window, which it returns.
std::unique_ptr<frmMain> Main(Module1& module, const MainWindowLoader& load,
                              std::chrono::milliseconds cardTime = kStartupCardTime);

} // namespace zorvane::ui

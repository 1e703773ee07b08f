// The per-user settings store, ZORVANE.conf, read in one place: once, as a
// program starts. Only the window's position is ever written back.
#pragma once

#include <string>

#include "prepare/settings.h"

namespace zorvane::link {

prepare::Settings ReadSettings();

// Saves the window's position (twips, as text); false when the store could
// not be written.
bool SaveWindowPosition(const std::string& left, const std::string& top);

} // namespace zorvane::link

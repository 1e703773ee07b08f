// The product's artwork from the compiled-in resources.
#pragma once

#include <QtGui/QIcon>
#include <QtGui/QPixmap>

namespace zorvane::ui {

// The program icon at 16 x 16 and 32 x 32 (and any other size asked for).
QIcon ProgramIcon();
// A picture of the resources drawn at its own size, e.g. "pellamar".
QPixmap Picture(const char* name);

} // namespace zorvane::ui

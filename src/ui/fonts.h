// The fonts of the product's windows.
#pragma once

#include <QtGui/QFont>

namespace zorvane::ui {

constexpr double kDialogFontPoints = 8.25;

// The default dialog font: a plain sans-serif at the given size.
QFont DialogFont(double points = kDialogFontPoints, bool bold = false);

} // namespace zorvane::ui

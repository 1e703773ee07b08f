// The fonts of the product's windows.
#pragma once

#include <QtCore/QStringList>
#include <QtGui/QFont>

#include <functional>

namespace zorvane::ui {

constexpr double kDialogFontPoints = 8.25;

// The default dialog font: a plain sans-serif at the given size.
QFont DialogFont(double points = kDialogFontPoints, bool bold = false);

// The family for text that lines up in columns: the first preferred family
// that is installed and fixed pitch, else the system's fixed font if it is
// fixed pitch, else any installed fixed-pitch family, else the system's.
QString ChooseFixedPitchFamily(const QStringList& installed, const std::function<bool(const QString&)>& isFixedPitch,
                               const QString& systemFixed);

// A fixed-pitch font of this machine at the given size.
QFont FixedPitchFont(double points);

} // namespace zorvane::ui

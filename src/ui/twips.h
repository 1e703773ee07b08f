// Window geometry is kept in twips, 1440 to the inch of the screen's
// logical resolution (15 twips a pixel at 96 dpi).
#pragma once

#include <cmath>

class QWidget;

namespace zorvane::ui {

constexpr double kTwipsPerInch = 1440.0;

inline int TwipsToPixels(double twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / kTwipsPerInch));
}

inline double PixelsToTwips(int pixels, double logicalDpi)
{
    return pixels * kTwipsPerInch / logicalDpi;
}

// Places a child at a position and size given in twips.
void PlaceTwips(QWidget* widget, double left, double top, double width, double height);
// Gives a window a fixed client area given in twips.
void FixClientSizeTwips(QWidget* window, double width, double height);

} // namespace zorvane::ui

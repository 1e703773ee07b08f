// Window geometry is kept in twips, 1440 to the inch of the screen's
// logical resolution (15 twips a pixel at 96 dpi).
#pragma once

#include <cmath>

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

} // namespace zorvane::ui

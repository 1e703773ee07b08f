#include "ui/twips.h"

#include <QtWidgets/QWidget>

namespace zorvane::ui {

void PlaceTwips(QWidget* widget, double left, double top, double width, double height)
{
    const double dpi = widget->logicalDpiX();
    widget->setGeometry(TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
                        TwipsToPixels(height, dpi));
}

void FixClientSizeTwips(QWidget* window, double width, double height)
{
    const double dpi = window->logicalDpiX();
    window->setFixedSize(TwipsToPixels(width, dpi), TwipsToPixels(height, dpi));
}

} // namespace zorvane::ui

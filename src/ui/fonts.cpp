#include "ui/fonts.h"

#include <QtCore/QStringList>

namespace zorvane::ui {

QFont DialogFont(double points, bool bold)
{
    QFont font;
    // Liberation Sans has the widths these layouts were drawn for.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace zorvane::ui

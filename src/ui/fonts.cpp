#include "ui/fonts.h"

#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>

namespace zorvane::ui {

namespace {

// Liberation Mono has Courier New's metrics, so the help text wraps the same on either.
const QStringList kPreferredFixedPitch{QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")};

} // namespace

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

QString ChooseFixedPitchFamily(const QStringList& installed, const std::function<bool(const QString&)>& isFixedPitch,
                               const QString& systemFixed)
{
    for (const QString& family : kPreferredFixedPitch)
        if (installed.contains(family) && isFixedPitch(family))
            return family;
    if (isFixedPitch(systemFixed))
        return systemFixed;
    // Some "Mono" families carry double-width glyphs that Qt does not count as fixed pitch.
    for (const QString& family : installed)
        if (isFixedPitch(family))
            return family;
    return systemFixed;
}

QFont FixedPitchFont(double points)
{
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const auto isFixedPitch = [&system](const QString& family) {
        if (family == system.family())
            return QFontInfo(system).fixedPitch();
        return QFontDatabase::isFixedPitch(family);
    };
    QFont font(ChooseFixedPitchFamily(QFontDatabase::families(), isFixedPitch, system.family()));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(points);
    return font;
}

} // namespace zorvane::ui

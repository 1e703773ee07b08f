#include "ui/artwork.h"

#include <QtGui/QPainter>
#include <QtSvg/QSvgRenderer>

// Resources compiled into a static library must be registered by hand.
static void registerArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(zorvane);
        return true;
    }();
    (void)registered;
}

namespace zorvane::ui {

namespace {

QPixmap render(const QString& resource, QSize size)
{
    registerArtwork();
    QSvgRenderer svg(resource);
    if (size.isEmpty())
        size = svg.defaultSize();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}

} // namespace

QIcon ProgramIcon()
{
    registerArtwork();
    QIcon icon;
    icon.addFile(QStringLiteral(":/zorvane/zorvane-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/zorvane/zorvane-32.png"), QSize(32, 32));
    for (int size : {48, 64, 128})
        icon.addPixmap(render(QStringLiteral(":/zorvane/zorvane.svg"), QSize(size, size)));
    return icon;
}

QPixmap Picture(const char* name)
{
    return render(QStringLiteral(":/zorvane/%1.svg").arg(QLatin1String(name)), {});
}

} // namespace zorvane::ui

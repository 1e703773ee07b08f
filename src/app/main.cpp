// zorvane: the firmware update tool's window.
#include <QtWidgets/QApplication>

#include "ui/main_window.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZORVANE"));
    QApplication::setApplicationName(QStringLiteral("ZORVANE"));
    zorvane::ui::frmMain window(zorvane::ui::ProductionDependencies());
    window.show();
    return app.exec();
}

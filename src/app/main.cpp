// zorvane: the firmware update tool's window, after its start-up card.
#include <QtWidgets/QApplication>

#include "app/production_wiring.h"
#include "ui/artwork.h"
#include "ui/startup.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZORVANE"));
    QApplication::setApplicationName(QStringLiteral("ZORVANE"));
    QApplication::setWindowIcon(zorvane::ui::ProgramIcon());

    zorvane::ui::Module1 module;
    std::unique_ptr<zorvane::ui::frmMain> window = zorvane::ui::Main(module, [] {
        return std::make_unique<zorvane::ui::frmMain>(zorvane::app::ProductionDependencies());
    });
    return app.exec();
}

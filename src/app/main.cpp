// zorvane: the firmware update tool's window, after its start-up card.
#include <QtCore/QDir>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <optional>

#include "app/production_wiring.h"
#include "ui/artwork.h"
#include "ui/startup.h"
#include "ui/working_folder.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZORVANE"));
    QApplication::setApplicationName(QStringLiteral("ZORVANE"));
    QApplication::setWindowIcon(zorvane::ui::ProgramIcon());

    // Started from a desktop menu the working folder is the home folder:
    // the window then works where the operator keeps the platforms' files.
    bool folderChosen = false;
    if (const std::optional<QString> folder = zorvane::ui::ChooseWorkingFolder(QApplication::arguments())) {
        folderChosen = QDir::setCurrent(*folder);
        if (!folderChosen)
            std::fprintf(stderr, "zorvane: cannot work in %s: no such folder\n", qPrintable(*folder));
    }

    zorvane::ui::Module1 module;
    std::unique_ptr<zorvane::ui::frmMain> window = zorvane::ui::Main(module, [folderChosen] {
        auto loaded = std::make_unique<zorvane::ui::frmMain>(zorvane::app::ProductionDependencies());
        loaded->showFullPaths(folderChosen);
        return loaded;
    });
    return app.exec();
}

// zorvane: the firmware update tool's window, after its start-up card.
#include <QtCore/QDir>
#include <QtCore/QSocketNotifier>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <optional>

#include "app/production_wiring.h"
#include "os/hang_up.h"
#include "os/process_signals.h"
#include "qtlink/settings_store.h"
#include "ui/artwork.h"
#include "ui/startup.h"
#include "ui/working_folder.h"
#include "zorvane_version.h"

namespace {

constexpr const char* kUsage =
    "usage: zorvane [FOLDER]\n"
    "       zorvane --help | --version\n"
    "\n"
    "Opens the firmware update window. It works in FOLDER, else in the current\n"
    "folder when that holds a platform configuration file (pellamar.cfg,\n"
    "tessivar.cfg, default.cfg), else in the folder the settings name\n"
    "([Files] Folder), else in ~/Zorvane. zorvane-flash flashes without a window.\n";

// --help and --version answer on the terminal, without a window or a display.
std::optional<int> answeredOnTheTerminal(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::printf("zorvane %s\n", zorvane::kVersion);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = answeredOnTheTerminal(argc, argv))
        return *answered;
    // A run goes on when the terminal that started the window is closed
    // from under its standard error; and GnuPG's helpers start clean.
    zorvane::os::SetUpProcessSignals();
    // Before Qt starts a thread: a closed terminal finishes the run under way.
    zorvane::os::HangUpSignal hangUp;

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZORVANE"));
    QApplication::setApplicationName(QStringLiteral("ZORVANE"));
    QApplication::setWindowIcon(zorvane::ui::ProgramIcon());

    // Started from a desktop menu the working folder is the home folder:
    // the window then works where the operator keeps the platforms' files.
    // Every file is opened in the folder chosen here; the process's own
    // current folder never changes.
    const zorvane::prepare::Settings settings = zorvane::link::ReadSettings();
    std::filesystem::path folder;
    if (const std::optional<QString> chosen =
            zorvane::ui::ChooseWorkingFolder(QApplication::arguments(), QString::fromStdString(settings.workingFolder))) {
        if (QDir(*chosen).exists())
            folder = std::filesystem::path(chosen->toStdString());
        else
            std::fprintf(stderr, "zorvane: cannot work in %s: no such folder\n", qPrintable(*chosen));
    }

    zorvane::ui::Module1 module;
    std::unique_ptr<zorvane::ui::frmMain> window = zorvane::ui::Main(module, [folder, settings] {
        zorvane::ui::RunDependencies dependencies = zorvane::app::ProductionDependencies(settings);
        dependencies.workingFolder = folder;
        auto loaded = std::make_unique<zorvane::ui::frmMain>(std::move(dependencies));
        loaded->showFullPaths(!folder.empty());
        return loaded;
    });
    std::unique_ptr<QSocketNotifier> hungUp;
    if (hangUp.descriptor() >= 0) {
        hungUp = std::make_unique<QSocketNotifier>(hangUp.descriptor(), QSocketNotifier::Read);
        QObject::connect(hungUp.get(), &QSocketNotifier::activated, window.get(), [&hangUp, &window] {
            hangUp.take();
            window->hangUp();
        });
    }
    return app.exec();
}

// zorvane: the firmware update tool's window, after its start-up card.
#include <QtCore/QDir>
#include <QtCore/QSocketNotifier>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/production_wiring.h"
#include "files/shown_text.h"
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

// The command line is read before a window or a display is needed: --help
// and --version answer on the terminal, and what the window cannot use is
// refused there. Returns the exit status when the program ends here.
std::optional<int> answeredOnTheTerminal(const zorvane::app::WindowArguments& arguments)
{
    switch (arguments.start) {
    case zorvane::app::Start::Window:
        return std::nullopt;
    case zorvane::app::Start::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case zorvane::app::Start::Version:
        std::printf("zorvane %s\n", zorvane::kVersion);
        return 0;
    case zorvane::app::Start::Refused:
        break;
    }
    std::fprintf(stderr, "zorvane: %s\n%s", zorvane::files::ShownText(arguments.refusal).c_str(), kUsage);
    return zorvane::app::kExitUsage;
}

// The folder named on the command line; else the one chosen from the
// current folder, the settings and ~/Zorvane, when it exists.
std::filesystem::path workingFolder(const std::string& named, const std::string& configured)
{
    if (!named.empty())
        return named;
    const std::optional<QString> chosen = zorvane::ui::ChooseWorkingFolder(QString::fromStdString(configured));
    if (!chosen)
        return {};
    if (!QDir(*chosen).exists()) {
        std::fprintf(stderr, "zorvane: cannot work in %s: no such folder\n", qPrintable(*chosen));
        return {};
    }
    return std::filesystem::path(chosen->toStdString());
}

} // namespace

int main(int argc, char** argv)
{
    const zorvane::app::WindowArguments arguments =
        zorvane::app::ReadWindowArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (const std::optional<int> answered = answeredOnTheTerminal(arguments))
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
    const std::filesystem::path folder = workingFolder(arguments.folder, settings.workingFolder);
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

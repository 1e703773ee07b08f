// Draws the windows for the README's pictures: the start-up card, the About
// box, the help viewer, and the main window before and after a run against
// the radio simulator on Comm1. scripts/screenshots runs it in a demo folder.
#include <QtCore/QEventLoop>
#include <QtCore/QTimer>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>

#include <chrono>
#include <iostream>

#include "app/production_wiring.h"
#include "qtlink/settings_store.h"
#include "ui/about_box.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/startup_screen.h"

namespace {

using namespace std::chrono_literals;
using namespace zorvane::ui;

// A run against the simulator without pacing takes a few seconds.
constexpr auto kRunLimit = 60s;

class Camera {
public:
    explicit Camera(QString folder) : folder_(std::move(folder)) {}

    void shoot(QWidget& window, const char* fileName)
    {
        QCoreApplication::processEvents();
        if (!window.grab().save(folder_ + QLatin1Char('/') + QLatin1String(fileName))) {
            std::cerr << "zorvane-screenshots: cannot write " << fileName << '\n';
            failed_ = true;
        }
    }

    bool failed() const { return failed_; }

private:
    QString folder_;
    bool failed_ = false;
};

void click(QWidget& window, const char* name)
{
    window.findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

// Runs the main window's flash; true when it was successful.
bool flash(frmMain& window)
{
    window.setBoxResponder([](const BoxRequest&) { return BoxButton::Ok; });
    QEventLoop loop;
    QObject::connect(&window, &frmMain::runFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kRunLimit, &loop, &QEventLoop::quit);
    click(window, "optPellamar");
    click(window, "cmdBeginFlash");
    if (window.runInProgress())
        loop.exec();
    return window.lastReport() && window.lastReport()->outcome == zorvane::RunOutcome::Success;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: zorvane-screenshots FOLDER\n";
        return 2;
    }
    Camera camera(QString::fromLocal8Bit(argv[1]));

    Module1 module;
    frmSplash card(module);
    card.show();
    camera.shoot(card, "startup-screen.png");
    card.unload();

    frmAbout about(nullptr);
    about.show();
    camera.shoot(about, "about-box.png");
    about.close();

    frmHelp help(nullptr);
    help.show();
    camera.shoot(help, "help-viewer.png");
    help.close();

    zorvane::ui::RunDependencies deps = zorvane::app::ProductionDependencies(zorvane::link::ReadSettings());
    deps.recordFile.clear();   // a demonstration run is no radio's history
    frmMain window(std::move(deps));
    window.show();
    camera.shoot(window, "main-window.png");
    if (!flash(window)) {
        std::cerr << "zorvane-screenshots: the run did not end with \"Programming Successful!\"";
        if (window.lastReport() && window.lastReport()->message)
            std::cerr << " but with \"" << window.lastReport()->message->text << "\"";
        std::cerr << '\n';
        return 1;
    }
    camera.shoot(window, "main-window-after-run.png");
    return camera.failed() ? 1 : 0;
}

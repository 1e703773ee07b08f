// The real window with the real serial port against the simulator, driven
// through its widgets as an operator would.
#include <gtest/gtest.h>

#include <QtCore/QEventLoop>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>

#include <csignal>
#include <thread>

#include "e2e/process.h"
#include "kit/temp_dir.h"
#include "app/production_wiring.h"
#include "qtlink/settings_store.h"
#include "srec_memory.h"
#include "ui/main_window.h"
#include "zorvane_version.h"

namespace zorvane::ui {
namespace {

using namespace std::chrono_literals;

TEST(WindowAgainstSimulator, FullRunThroughTheWidgets)
{
    testkit::TempDir dir;
    testkit::Process make({ZORVANE_MAKE_DEMO, dir.path().string()}, dir.path().string());
    ASSERT_EQ(make.wait(30s).exitCode, 0);
    const std::string link = (dir.path() / "ttyRADIO").string();
    testkit::Process simulator({ZORVANE_RADIOSIM, "--link", link, "--runs", "1", "--dump", "radio"},
                               dir.path().string());
    ASSERT_EQ(simulator.readLine(10s).rfind("/dev/pts/", 0), 0u);

    // Comm2 is the simulator for this user.
    QSettings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE")).setValue("Ports/Comm2", QString::fromStdString(link));

    frmMain window(app::ProductionDependencies(link::ReadSettings()));
    std::vector<BoxRequest> boxes;
    window.setBoxResponder([&](const BoxRequest& request) {
        boxes.push_back(request);
        return BoxButton::Ok;
    });
    window.show();
    window.findChild<QAction*>(QStringLiteral("mnuCommComm2"))->trigger();
    window.findChild<QRadioButton*>(QStringLiteral("optTessivar"))->click();

    QEventLoop loop;
    QObject::connect(&window, &frmMain::runFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60s, &loop, &QEventLoop::quit);
    window.findChild<QPushButton*>(QStringLiteral("cmdBeginFlash"))->click();
    loop.exec();

    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().id, MessageId::Success);
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("txtConfig"))->text(), QStringLiteral("$A5"));
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("txtBootVers"))->text(), QStringLiteral("R1.0"));
    EXPECT_EQ(simulator.wait(10s).exitCode, 0) << "the port was let go: the simulator saw the run end";

    const auto expected = radio::ReadSRecordMemory((dir.path() / "tessivar.s19").string());
    const auto actual = radio::ReadSRecordMemory((dir.path() / "radio" / "flash.s19").string());
    ASSERT_TRUE(expected && actual);
    EXPECT_EQ(radio::FirstDifference(*expected, *actual), "");
}

// The terminal that started the window closes: the window closes as its
// operator would close it, and the program ends normally.
TEST(WindowProgram, HangUpClosesTheWindow)
{
    testkit::TempDir dir;
    ASSERT_EQ(testkit::Process({ZORVANE_MAKE_DEMO, dir.path().string()}, dir.path().string()).wait(30s).exitCode, 0);
    testkit::Process window({ZORVANE_WINDOW, dir.path().string()}, dir.path().string());
    std::this_thread::sleep_for(2s);   // well past the start of main, where the hang-up is taken
    window.signal(SIGHUP);
    const testkit::ProcessResult ended = window.wait(30s);
    EXPECT_FALSE(ended.timedOut) << ended.output;
    EXPECT_EQ(ended.exitCode, 0) << ended.output;
}

// The command line is read before a display is needed: without one, what
// the window cannot use is refused with the usage, and Qt's own options
// still go with --version.
TEST(WindowProgram, ArgumentsAreAnsweredWithoutADisplay)
{
    testkit::TempDir dir;
    const struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string firstLine;
    } cases[] = {
        {{"--bogus"}, 2, "zorvane: unknown option --bogus"},
        {{"/no/such/folder"}, 2, "zorvane: cannot work in /no/such/folder: no such folder"},
        {{"-platform", "offscreen", "--version"}, 0, std::string("zorvane ") + kVersion},
        {{"--help"}, 0, "usage: zorvane [FOLDER]"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> command{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                         "QT_QPA_PLATFORM", ZORVANE_WINDOW};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const testkit::ProcessResult ended = testkit::Process(command, dir.path().string()).wait(30s);
        EXPECT_EQ(ended.exitCode, c.exitCode) << ended.output;
        EXPECT_EQ(ended.output.substr(0, ended.output.find('\n')), c.firstLine);
        if (c.exitCode != 0) {
            EXPECT_NE(ended.output.find("\nusage: zorvane [FOLDER]\n"), std::string::npos) << ended.output;
        }
    }
}

} // namespace
} // namespace zorvane::ui

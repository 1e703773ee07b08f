#include <gtest/gtest.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <filesystem>
#include <fstream>

#include "kit/bytes.h"
#include "kit/radio_port.h"
#include "kit/temp_dir.h"
#include "srec_writer.h"
#include "qtlink/settings_store.h"
#include "ui/main_window.h"

namespace zorvane::ui {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

using testkit::Pattern;

const Bytes kPellamarFirmware = Pattern(256, 0x11);
const Bytes kTessivarFirmware = Pattern(256, 0x99);

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE")).clear();
        dir.write("pellamar.cfg", "boot: boot.s19\nsrecord: pel.s19\neeprom: pel_ee.s19\nconfig: 3f\n");
        dir.write("tessivar.cfg", "boot: boot.s19\nsrecord: tes.s19\nconfig: A5\n");
        dir.write("boot.s19", radio::SRecordImage(0, Pattern(1025, 3), 100));
        dir.write("pel.s19", radio::SRecordImage(0x8000, kPellamarFirmware));
        dir.write("pel_ee.s19", radio::SRecordImage(0x0000, Pattern(32, 5)));
        dir.write("tes.s19", radio::SRecordImage(0x8000, kTessivarFirmware));
    }

    std::unique_ptr<frmMain> makeWindow(radio::RadioSettings radioSettings = {})
    {
        RunDependencies deps;
        deps.clock = &clock;
        deps.recordFile = recordFile;
        // The tests' own store, in a folder of their own.
        deps.settings = link::ReadSettings();
        deps.savePosition = link::SaveWindowPosition;
        deps.describeDevice = [](int port) { return link::DeviceIdentity{"/dev/ttyS" + std::to_string(port - 1), "", ""}; };
        deps.makePort = [this, radioSettings] {
            ++portsMade;
            return std::make_unique<testkit::RadioPort>(
                clock,
                [this](testkit::RadioPort& port) {
                    portClosedAtEnd = !port.PortOpen();
                    portUsed = std::get<link::CommEntry>(port.portChoice()).number;
                    firmwareProgrammed = Bytes(port.radio.model.flash().begin() + 0x8000,
                                               port.radio.model.flash().begin() + 0x8100);
                },
                radioSettings);
        };
        auto window = std::make_unique<frmMain>(std::move(deps));
        window->setBoxResponder([this](const BoxRequest& request) {
            boxes.push_back(request);
            if (onBox)
                onBox(request);
            return BoxButton::Ok;
        });
        return window;
    }

    template <typename T>
    static T* control(const frmMain& window, const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QString text(const frmMain& window, const char* name)
    {
        if (auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(name)))
            return edit->text();
        return control<QLabel>(window, name)->text();
    }

    static QString statusPanel(const frmMain& window) { return text(window, "sbStatusBarPanel1"); }

    static QString visiblePicture(const frmMain& window)
    {
        QString shown;
        for (const char* name : {"picDefault", "picPellamar", "picTessivar"})
            if (!control<QLabel>(window, name)->isHidden())
                shown += QString::fromLatin1(name);
        return shown;
    }

    static QString underlined(const frmMain& window)
    {
        QString marked;
        for (const char* name : {"optPellamar", "optTessivar", "optOther"})
            if (control<QRadioButton>(window, name)->font().underline())
                marked += QString::fromLatin1(name);
        return marked;
    }

    static QString selected(const frmMain& window)
    {
        QString checked;
        for (const char* name : {"optPellamar", "optTessivar", "optOther"})
            if (control<QRadioButton>(window, name)->isChecked())
                checked += QString::fromLatin1(name);
        return checked;
    }

    // Runs the event loop until the window's run has ended.
    static void waitForRun(frmMain& window)
    {
        if (!window.runInProgress())
            QCoreApplication::processEvents();
        QEventLoop loop;
        QObject::connect(&window, &frmMain::runFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20s, &loop, &QEventLoop::quit);
        if (window.runInProgress())
            loop.exec();
        QCoreApplication::processEvents();
    }

    static void click(frmMain& window, const char* button) { control<QAbstractButton>(window, button)->click(); }

    static QSettings settings() { return QSettings(QStringLiteral("ZORVANE"), QStringLiteral("ZORVANE")); }

    testkit::TempDir dir;
    testkit::FakeClock clock;
    std::vector<BoxRequest> boxes;
    std::function<void(const BoxRequest&)> onBox;
    std::atomic<int> portsMade{0};
    std::atomic<bool> portClosedAtEnd{false};
    std::atomic<int> portUsed{0};
    std::string recordFile;   // empty: the window keeps no flash records
    Bytes firmwareProgrammed;
};

TEST_F(MainWindow, FirstStart)
{
    auto window = makeWindow();
    EXPECT_EQ(window->pos(), QPoint(67, 67)) << "1000 twips at 15 twips a pixel";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ZORVANE"));
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm1")->isChecked());
    EXPECT_FALSE(control<QAction>(*window, "mnuCommComm2")->isChecked());
    EXPECT_EQ(statusPanel(*window), QStringLiteral("Comm  1"));
    EXPECT_EQ(selected(*window), QString());
    EXPECT_EQ(visiblePicture(*window), QStringLiteral("picDefault"));
    EXPECT_EQ(text(*window, "lblBootFile"), QStringLiteral("Boot File:"));
    EXPECT_EQ(text(*window, "lblEepromFile"), QStringLiteral("EEPROM File:"));
    EXPECT_EQ(window->commPort(), 1);
    EXPECT_TRUE(control<QPushButton>(*window, "cmdBeginFlash")->font().bold());
    EXPECT_TRUE(control<QLineEdit>(*window, "txtBootVers")->isReadOnly());
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindow, SavedPositionIsAppliedAndStoredInTwips)
{
    struct Case {
        QString left, top;
        QPoint expected;
    } cases[] = {
        {QStringLiteral("3000"), QStringLiteral("-450"), QPoint(200, -30)},
        {QStringLiteral("middle"), QStringLiteral(""), QPoint(67, 67)},
    };
    for (const Case& c : cases) {
        settings().setValue("Settings/MainLeft", c.left);
        settings().setValue("Settings/MainTop", c.top);
        auto window = makeWindow();
        EXPECT_EQ(window->pos(), c.expected) << c.left.toStdString();
    }

    auto window = makeWindow();
    window->move(150, 90);
    window->close();
    EXPECT_EQ(settings().value("Settings/MainLeft").toString(), QStringLiteral("2250"));
    EXPECT_EQ(settings().value("Settings/MainTop").toString(), QStringLiteral("1350"));
}

TEST_F(MainWindow, MinimisedCloseKeepsTheOldPosition)
{
    settings().setValue("Settings/MainLeft", "3000");
    auto window = makeWindow();
    window->show();
    window->move(10, 10);
    window->showMinimized();
    window->close();
    EXPECT_EQ(settings().value("Settings/MainLeft").toString(), QStringLiteral("3000"));
}

TEST_F(MainWindow, CommChoiceIsNotKept)
{
    auto window = makeWindow();
    control<QAction>(*window, "mnuCommComm2")->trigger();
    EXPECT_FALSE(control<QAction>(*window, "mnuCommComm1")->isChecked());
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm2")->isChecked());
    EXPECT_EQ(statusPanel(*window), QStringLiteral("Comm  2"));
    EXPECT_EQ(window->commPort(), 2);
    control<QAction>(*window, "mnuCommComm2")->trigger();
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm2")->isChecked()) << "the checked entry stays checked";
    window->close();
    window.reset();

    auto restarted = makeWindow();
    EXPECT_TRUE(control<QAction>(*restarted, "mnuCommComm1")->isChecked());
    EXPECT_EQ(statusPanel(*restarted), QStringLiteral("Comm  1"));
}

TEST_F(MainWindow, PlatformChoiceByConfigurationResult)
{
    dir.write("default.cfg", "boot: boot.s19\nconfig: 00\n");
    auto window = makeWindow();

    click(*window, "optPellamar");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(selected(*window), QStringLiteral("optPellamar"));
    EXPECT_EQ(underlined(*window), QStringLiteral("optPellamar"));
    EXPECT_EQ(visiblePicture(*window), QStringLiteral("picPellamar"));
    EXPECT_EQ(text(*window, "lblBootFile"), QStringLiteral("Boot File: \"boot.s19\""));
    EXPECT_EQ(text(*window, "lblFirmwareFile"), QStringLiteral("Firmware File: \"pel.s19\""));
    EXPECT_EQ(text(*window, "lblEepromFile"), QStringLiteral("EEPROM File: \"pel_ee.s19\""));

    std::filesystem::remove("tessivar.cfg");
    struct Case {
        const char* button;
        std::string text;
    } failures[] = {
        {"optTessivar", "File: tessivar.cfg DOES NOT exist.\rSee Help for configuration file format."},
        {"optOther", "Error reading from File: default.cfg\rSee Help for configuration file format."},
    };
    for (const Case& c : failures) {
        boxes.clear();
        click(*window, "optPellamar");
        click(*window, c.button);
        ASSERT_EQ(boxes.size(), 1u) << c.button;
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].title, "Error");
        EXPECT_EQ(boxes[0].style, BoxStyle::Exclamation);
        EXPECT_EQ(selected(*window), QString()) << "no platform is selected after a failure";
        EXPECT_EQ(underlined(*window), QStringLiteral("optPellamar")) << "the last loaded platform stays marked";
        EXPECT_EQ(visiblePicture(*window), QStringLiteral("picPellamar"));
        EXPECT_EQ(text(*window, "lblFirmwareFile"), QStringLiteral("Firmware File: \"pel.s19\""));
    }
}

TEST_F(MainWindow, UnreadableConfigurationFile)
{
    std::filesystem::permissions("tessivar.cfg", std::filesystem::perms::none);
    auto window = makeWindow();
    testkit::Unprivileged user;
    ASSERT_TRUE(user.active());
    click(*window, "optTessivar");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error reading configuraion file");
    EXPECT_EQ(selected(*window), QString());
}

TEST_F(MainWindow, NoPlatformLeavesTheResultsAlone)
{
    auto window = makeWindow();
    control<QLineEdit>(*window, "txtBootVers")->setText("R9.9");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].id, MessageId::ChooseAPlatform);
    ASSERT_TRUE(window->lastReport() && window->lastReport()->fault);
    EXPECT_EQ(FaultFieldsOf(*window->lastReport()->fault).kind, "no-platform");
    EXPECT_EQ(text(*window, "txtBootVers"), QStringLiteral("R9.9"));
    EXPECT_EQ(statusPanel(*window), QStringLiteral("Comm  1"));
}

TEST_F(MainWindow, SuccessfulRunFillsEveryBox)
{
    auto window = makeWindow();
    bool commDisabledDuringRun = false;
    onBox = [&](const BoxRequest& request) {
        if (request.id == MessageId::ResetRadio)
            commDisabledDuringRun = !control<QAction>(*window, "mnuCommComm1")->isEnabled() &&
                                    !control<QAction>(*window, "mnuCommComm2")->isEnabled();
    };
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].id, MessageId::Success);
    EXPECT_EQ(boxes[1].style, BoxStyle::OkOnly);
    EXPECT_TRUE(commDisabledDuringRun);
    EXPECT_EQ(text(*window, "txtBootVers"), QStringLiteral("R1.0"));
    EXPECT_FALSE(text(*window, "txtBootCsum").isEmpty());
    EXPECT_EQ(text(*window, "txtConfig"), QStringLiteral("$3F"));
    EXPECT_EQ(text(*window, "txtEepromCsum"), QStringLiteral("$512"));
    EXPECT_EQ(text(*window, "txtFirmwareCsum"), QStringLiteral("$111E"));
    EXPECT_EQ(control<QProgressBar>(*window, "ProgressBar1")->value(), 0);
    EXPECT_EQ(statusPanel(*window), QStringLiteral("Comm  1"));
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm1")->isEnabled());
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm2")->isEnabled());
    EXPECT_TRUE(portClosedAtEnd);
    ASSERT_TRUE(window->lastReport());
    EXPECT_EQ(window->lastReport()->bootVersion, "1.0") << "the run's report comes back to the window";
}

TEST_F(MainWindow, FailedRunKeepsTheBoxesFilledBeforeTheFailure)
{
    radio::RadioSettings refuseEraseRom;
    refuseEraseRom.faults.refuseOpcode = 0x05;
    auto window = makeWindow(refuseEraseRom);
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().id, MessageId::EraseRomFailed);
    EXPECT_EQ(window->lastReport()->outcome, RunOutcome::FlashFailed);
    for (const char* filled : {"txtBootVers", "txtBootCsum", "txtConfig", "txtEepromCsum"})
        EXPECT_FALSE(text(*window, filled).isEmpty()) << filled;
    EXPECT_TRUE(text(*window, "txtFirmwareCsum").isEmpty());
    EXPECT_EQ(statusPanel(*window), QStringLiteral("Comm  1"));
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm1")->isEnabled());
    EXPECT_EQ(control<QProgressBar>(*window, "ProgressBar1")->value(), 0);
}

TEST_F(MainWindow, ARunInProgressIsNotDisturbed)
{
    auto window = makeWindow();
    onBox = [&](const BoxRequest& request) {
        if (request.id != MessageId::ResetRadio)
            return;
        click(*window, "cmdBeginFlash");   // a second click starts nothing
        click(*window, "optTessivar");     // a new platform does not reach the running run
    };
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    EXPECT_EQ(portsMade, 1);
    EXPECT_EQ(boxes.back().id, MessageId::Success);
    EXPECT_EQ(firmwareProgrammed, kPellamarFirmware);
    EXPECT_EQ(window->platform()->firmwareFile, "tes.s19") << "the window holds the new choice for the next run";
}

// The Comm entries are disabled by the click itself: a port chosen right
// after it cannot reach the run, the check marks or the status panel.
TEST_F(MainWindow, CommChoiceRightAfterTheClickChangesNothing)
{
    auto window = makeWindow();
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    control<QAction>(*window, "mnuCommComm2")->trigger();
    EXPECT_FALSE(control<QAction>(*window, "mnuCommComm2")->isEnabled());
    waitForRun(*window);
    EXPECT_EQ(boxes.back().id, MessageId::Success);
    EXPECT_EQ(portUsed, 1);
    EXPECT_EQ(window->commPort(), 1);
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm1")->isChecked());
    EXPECT_FALSE(control<QAction>(*window, "mnuCommComm2")->isChecked());
    EXPECT_EQ(statusPanel(*window), QStringLiteral("Comm  1"));
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm2")->isEnabled()) << "enabled again after the run";
}

// Every run leaves a flash record, kept before its ending box shows: a stop
// while the box is up changes nothing of it. One that cannot be written is
// a warning in the status panel, never a failed run.
TEST_F(MainWindow, EveryRunLeavesAFlashRecord)
{
    recordFile = (dir.path() / "records" / "flash-records.jsonl").string();
    auto window = makeWindow();
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    onBox = [&](const BoxRequest& request) {
        if (request.id == MessageId::Success)
            window->close();
    };
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    onBox = nullptr;
    ASSERT_TRUE(window->lastReport());
    EXPECT_EQ(window->lastReport()->outcome, RunOutcome::Success);
    std::ifstream records(recordFile);
    std::vector<std::string> lines;
    for (std::string line; std::getline(records, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(R"("port":"1","device":"/dev/ttyS0","device_by_id":null,"usb_serial":null,"unit":null,)"
                            R"("station":null,"shift":null,"operator":null,"work_order":null,"config_file":"pellamar.cfg")"),
              std::string::npos)
        << lines[0];
    for (const std::string& line : lines)
        EXPECT_NE(line.find(R"("outcome":{"stage":"success","message":"Programming Successful!","cause":"","fault":null})"),
                  std::string::npos)
            << line;

    dir.write("blocked", "");
    recordFile = (dir.path() / "blocked" / "flash-records.jsonl").string();
    auto unwritable = makeWindow();
    click(*unwritable, "optPellamar");
    click(*unwritable, "cmdBeginFlash");
    waitForRun(*unwritable);
    EXPECT_EQ(boxes.back().id, MessageId::Success);
    EXPECT_TRUE(statusPanel(*unwritable).startsWith(QStringLiteral("Flash record not kept: cannot open ")))
        << statusPanel(*unwritable).toStdString();
}

// A SHA256SUMS in the working folder holds the window's runs to the files it
// lists: a configuration it does not list starts no run.
TEST_F(MainWindow, ManifestThatDoesNotListThePlatformRefusesTheRun)
{
    dir.write("SHA256SUMS", std::string(64, '0') + "  boot.s19\n");
    auto window = makeWindow();
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    EXPECT_FALSE(window->runInProgress());
    EXPECT_EQ(portsMade, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Release Error");
    EXPECT_EQ(boxes[0].text, "pellamar.cfg is not the released file.\rpellamar.cfg: not listed in SHA256SUMS");
    EXPECT_TRUE(control<QAction>(*window, "mnuCommComm2")->isEnabled());
}

// The files are checked off the window's thread: a second click meanwhile
// starts nothing more, and a close meanwhile starts no run at all.
TEST_F(MainWindow, ARunBeingPreparedIsARunInProgress)
{
    auto window = makeWindow();
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    click(*window, "cmdBeginFlash");
    EXPECT_TRUE(window->runInProgress());
    EXPECT_FALSE(control<QAction>(*window, "mnuCommComm2")->isEnabled());
    waitForRun(*window);
    EXPECT_EQ(portsMade, 1);

    auto closing = makeWindow();
    closing->show();
    click(*closing, "optPellamar");
    click(*closing, "cmdBeginFlash");
    EXPECT_FALSE(closing->close()) << "not before the preparation has let go";
    waitForRun(*closing);
    EXPECT_FALSE(closing->isVisible());
    EXPECT_EQ(portsMade, 1) << "no run after the close";
}

// Every file name is shown whole or, when it cannot be, with its middle
// elided and the whole name one hover (or one screen reader) away: nothing
// is clipped, and a name is never taken as markup.
TEST_F(MainWindow, FileLabelsShowEveryNameWhole)
{
    const std::string longName = "firmware-release-2026-12-07-bench-04.s19";
    ASSERT_EQ(longName.size(), 40u);
    for (const auto& [boot, eeprom, firmware] : {std::tuple{"boot.s19", "pellamar_ee.s19", "pellamar.s19"},
                                                 std::tuple{"boot.s19", longName.c_str(), longName.c_str()},
                                                 std::tuple{"<h1>b</h1>.s19", "e.s19", "f.s19"}}) {
        dir.write("pellamar.cfg", std::string("boot: ") + boot + "\nsrecord: " + firmware + "\neeprom: " + eeprom +
                                      "\nconfig: 3F\n");
        auto window = makeWindow();
        click(*window, "optPellamar");
        for (const auto& [name, file] : {std::pair{"lblBootFile", boot}, std::pair{"lblEepromFile", eeprom},
                                         std::pair{"lblFirmwareFile", firmware}}) {
            QLabel* label = control<QLabel>(*window, name);
            const QRect needed = QFontMetrics(label->font())
                                     .boundingRect(label->contentsRect(),
                                                   static_cast<int>(label->alignment()) | Qt::TextWordWrap,
                                                   label->text());
            EXPECT_TRUE(label->contentsRect().contains(needed)) << name << ": " << label->text().toStdString();
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
            const bool whole = label->text().contains(QString::fromStdString(file));
            EXPECT_TRUE(whole || (label->toolTip().contains(QString::fromStdString(file)) &&
                                  label->accessibleDescription() == QString::fromStdString(file)))
                << name << ": " << label->text().toStdString();
        }
    }
}

TEST_F(MainWindow, ClosingDuringARunStopsItThenCloses)
{
    auto window = makeWindow();
    window->show();
    onBox = [&](const BoxRequest& request) {
        if (request.id == MessageId::ResetRadio)
            window->close();
    };
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(boxes.size(), 1u) << "no box after the close";
    EXPECT_TRUE(portClosedAtEnd);
    EXPECT_EQ(settings().value("Settings/MainLeft").toString().isEmpty(), false);
}

// A hang-up (the terminal that started the window closed) mid-run: the
// radio is finished, with its boxes, and then the window closes.
TEST_F(MainWindow, HangUpDuringARunFinishesItThenCloses)
{
    auto window = makeWindow();
    window->show();
    onBox = [&](const BoxRequest& request) {
        if (request.id == MessageId::ResetRadio)
            window->hangUp();
    };
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    waitForRun(*window);
    ASSERT_TRUE(window->lastReport());
    EXPECT_EQ(window->lastReport()->outcome, RunOutcome::Success);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(boxes.back().id, MessageId::Success);
    EXPECT_TRUE(portClosedAtEnd);
}

} // namespace
} // namespace zorvane::ui

namespace zorvane::ui {
namespace {

TEST_F(MainWindow, UnloadClosesTheOtherWindowsLastOpenedFirst)
{
    std::vector<QString> closed;
    struct Recorder : QObject {
        std::vector<QString>& log;
        explicit Recorder(std::vector<QString>& log) : log(log) {}
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Close)
                log.push_back(watched->objectName());
            return false;
        }
    } recorder(closed);
    QWidget help, about;
    help.setObjectName(QStringLiteral("frmHelp"));
    about.setObjectName(QStringLiteral("frmAbout"));
    auto window = makeWindow();
    for (QWidget* other : {&help, &about}) {
        other->installEventFilter(&recorder);
        other->show();
        window->registerWindow(other);
    }
    window->close();
    EXPECT_EQ(closed, (std::vector<QString>{QStringLiteral("frmAbout"), QStringLiteral("frmHelp")}));
    EXPECT_FALSE(help.isVisible());
}

TEST_F(MainWindow, ASettingsStoreThatCannotBeWrittenDoesNotStopTheClose)
{
    const std::filesystem::path store = std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "ZORVANE";
    std::filesystem::create_directories(store);
    std::filesystem::permissions(store, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                            std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    auto window = makeWindow();
    window->show();
    {
        testkit::Unprivileged user;
        ASSERT_TRUE(user.active());
        EXPECT_TRUE(window->close());
    }
    EXPECT_FALSE(window->isVisible());
    std::filesystem::permissions(store, std::filesystem::perms::owner_all);
}

// The real boxes: icon, buttons and the carriage return as a line break.
TEST(MessageBoxes, LookAsTheirStyleSays)
{
    struct Case {
        BoxStyle style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        BoxButton answer;
    } cases[] = {
        {BoxStyle::Exclamation, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, BoxButton::Ok},
        {BoxStyle::OkOnly, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, BoxButton::Ok},
        {BoxStyle::OkCancel, QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel,
         BoxButton::Cancel},
    };
    for (const Case& c : cases) {
        QMessageBox::Icon icon{};
        QMessageBox::StandardButtons buttons{};
        QString text, title;
        Qt::TextFormat format{};
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            icon = box->icon();
            buttons = box->standardButtons();
            text = box->text();
            title = box->windowTitle();
            format = box->textFormat();
            box->button(c.press)->click();
        });
        const BoxButton answer = ShowBox(nullptr, {"First line.\rSecond line.", c.style, "FLASH Error"}, nullptr);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(text, QStringLiteral("First line.\nSecond line."));
        EXPECT_EQ(title, QStringLiteral("FLASH Error"));
        EXPECT_EQ(format, Qt::PlainText);
    }
}

} // namespace
} // namespace zorvane::ui

namespace zorvane::ui {
namespace {

// A radio that never answers: the run waits until it is asked to stop.
struct SilentPort : testkit::FakeSerialPort {
    SilentPort(testkit::FakeClock& clock, std::atomic<bool>& waiting, std::atomic<bool>& closedAtEnd)
        : FakeSerialPort(clock), waiting(waiting), closedAtEnd(closedAtEnd)
    {
    }
    ~SilentPort() override { closedAtEnd = !PortOpen(); }
    std::vector<std::uint8_t> read(std::size_t, link::Clock::time_point, std::stop_token stop) override
    {
        waiting = true;
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait(lock, stop, [] { return false; });
        return {};
    }
    std::atomic<bool>& waiting;
    std::atomic<bool>& closedAtEnd;
};

TEST_F(MainWindow, DestroyingTheWindowDuringARunStopsTheRunFirst)
{
    std::atomic<bool> waiting{false};
    std::atomic<bool> closed{false};
    RunDependencies deps;
    deps.clock = &clock;
    deps.makePort = [&] { return std::make_unique<SilentPort>(clock, waiting, closed); };
    auto window = std::make_unique<frmMain>(std::move(deps));
    window->setBoxResponder([](const BoxRequest&) { return BoxButton::Ok; });
    click(*window, "optPellamar");
    click(*window, "cmdBeginFlash");
    QElapsedTimer limit;
    limit.start();
    while (!waiting && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(waiting) << "the run never reached its wait for the radio";
    window.reset();
    EXPECT_TRUE(closed) << "the port was closed before the window went";
}

} // namespace
} // namespace zorvane::ui

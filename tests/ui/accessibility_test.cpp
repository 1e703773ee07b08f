// What a screen reader says for the main window's controls.
#include <gtest/gtest.h>

#include <QtGui/QAccessible>

#include <string>

#include "kit/fake_clock.h"
#include "kit/fake_serial_port.h"
#include "kit/temp_dir.h"
#include "ui/main_window.h"

namespace zorvane::ui {
namespace {

TEST(Accessibility, ResultBoxesProgressAndPicturesHaveNames)
{
    testkit::TempDir dir;
    testkit::FakeClock clock;
    RunDependencies deps;
    deps.clock = &clock;
    deps.makePort = [&clock] { return std::make_unique<testkit::FakeSerialPort>(clock); };
    frmMain window(std::move(deps));
    window.show();
    struct Case {
        const char* widget;
        std::string name;
        std::string description;
    } cases[] = {
        // Each result box by its label, not by the frame around them all.
        {"txtBootVers", "Boot Version:", {}},
        {"txtBootCsum", "Boot Checksum:", {}},
        {"txtConfig", "CONFIG Value:", {}},
        {"txtEepromCsum", "EEPROM Checksum:", {}},
        {"txtFirmwareCsum", "Firmware Checksum:", {}},
        {"ProgressBar1", "FLASH progress", {}},
        {"picPellamar", "Platform picture", "Picture of the ORVIK Pellamar radio"},
        {"picTessivar", "Platform picture", "Picture of the ORVIK Tessivar radio"},
        {"picDefault", "Platform picture", "No picture for this platform"},
    };
    for (const Case& c : cases) {
        auto* widget = window.findChild<QWidget*>(QString::fromLatin1(c.widget));
        ASSERT_NE(widget, nullptr) << c.widget;
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(spoken, nullptr) << c.widget;
        EXPECT_EQ(spoken->text(QAccessible::Name).toStdString(), c.name) << c.widget;
        EXPECT_EQ(spoken->text(QAccessible::Description).toStdString(), c.description) << c.widget;
    }
}

} // namespace
} // namespace zorvane::ui

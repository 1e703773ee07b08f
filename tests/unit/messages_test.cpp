#include <gtest/gtest.h>

#include "engine/messages.h"

namespace zorvane {
namespace {

constexpr const char* kCheck = "\rCheck KRIX, cables and connections.";

// The operator's texts are quoted in manuals and training material: each
// one stands here exactly as it must appear, with its title and box.
TEST(Messages, EveryIdHasItsTextTitleAndBox)
{
    constexpr auto W = BoxStyle::Exclamation;
    const struct Case {
        MessageId id;
        std::string text;
        const char* title;
        BoxStyle style;
    } cases[] = {
        {MessageId::ChooseAPlatform, "Choose a Platform to continue.", "Error", W},
        {MessageId::PortInUse, "Comm Port already in use.", "Comm Error", W},
        {MessageId::PortCannotOpen, "Zorvane was unable to open Comm Port.", "Comm Error", W},
        {MessageId::PortOpenError, "Comm Port error occured.", "Comm Error", W},
        {MessageId::ResetRadio, "Please Reset the radio, then click OK", "KRIX Smart mode", W},
        {MessageId::BootFileMissing, "File: b.s19 DOES NOT exist.\rMake sure Boot file is in ZORVANE directory.",
         "Bootload Error", W},
        {MessageId::BootWrongSize, "Boot file is to large/small.\rSee Help for troubleshooting.", "Bootload Error", W},
        {MessageId::BootNoVersion, std::string("Version number NOT received from Boot code.") + kCheck,
         "Bootload Error", W},
        {MessageId::BootNotTransferred, std::string("Could not transfer boot file to radio.") + kCheck,
         "Bootload Error", W},
        {MessageId::EraseConfigFailed, std::string("Erase CONFIG command failed.") + kCheck, "CONFIG Error", W},
        {MessageId::ProgramConfigFailed, std::string("Program CONFIG command failed.") + kCheck, "CONFIG Error", W},
        {MessageId::EraseEepromFailed, std::string("Erase EEPROM command failed.") + kCheck, "EEPROM Error", W},
        {MessageId::EepromFileMissing, "File: b.s19 DOES NOT exist.\rMake sure EEPROM file is in ZORVANE directory.",
         "EEPROM Error", W},
        {MessageId::EepromLineErrors, std::string("EEPROM program Failed.  Line Errors occured.") + kCheck,
         "EEPROM Error", W},
        {MessageId::EepromFailed, std::string("EEPROM program Failed.") + kCheck, "EEPROM Error", W},
        {MessageId::EraseRomFailed, std::string("Erase ROM command failed.") + kCheck, "FLASH Error", W},
        {MessageId::FirmwareFileMissing,
         "File: b.s19 DOES NOT exist.\rMake sure Firmware file is in ZORVANE directory.", "FLASH Error", W},
        {MessageId::FlashLineErrors, std::string("FLASH Failed.  Line Errors occured.") + kCheck, "FLASH Error", W},
        {MessageId::FlashFailed, std::string("FLASH Failed.") + kCheck, "FLASH Error", W},
        {MessageId::LineError, "Line Error!", "FLASH Error", BoxStyle::OkCancel},
        {MessageId::Success, "Programming Successful!", "ZORVANE", BoxStyle::OkOnly},
    };
    for (const Case& c : cases) {
        const Message m = MakeMessage(c.id, "b.s19");
        EXPECT_EQ(m.id, c.id) << c.text;
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.title, c.title) << c.text;
        EXPECT_EQ(m.style, c.style) << c.text;
    }
}

TEST(Messages, ACauseTakesTheSecondLinesPlace)
{
    const struct Case {
        MessageId id;
        const char* text;
    } cases[] = {
        {MessageId::FlashFailed, "FLASH Failed.\rFile main.s19 ends without an end record."},
        {MessageId::PortFailed, "Comm Port error occured.\rFile main.s19 ends without an end record."},
        {MessageId::PortOpenError, "Comm Port error occured.\rFile main.s19 ends without an end record."},
        {MessageId::UnexpectedError,
         "Zorvane stopped the run after an unexpected error.\rFile main.s19 ends without an end record."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeMessage(c.id, {}, "File main.s19 ends without an end record.").text, c.text);
}

} // namespace
} // namespace zorvane

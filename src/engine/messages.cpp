#include "engine/messages.h"

#include <array>

namespace zorvane {

namespace {

struct MessageRow {
    MessageId id;
    std::string_view text;   // "\r" between the two lines
    std::string_view title;
    BoxStyle style;

    std::string_view firstLine() const { return text.substr(0, text.find(kCR)); }
    bool twoLines() const { return text.find(kCR) != std::string_view::npos; }
    std::string_view hint() const { return twoLines() ? text.substr(text.find(kCR) + 1) : std::string_view(); }
};

constexpr auto W = BoxStyle::Exclamation;

// The texts are the operator's, misspellings included: manuals and
// training material quote them.
constexpr std::array<MessageRow, 30> kMessages{{
    {MessageId::ChooseAPlatform, "Choose a Platform to continue.", "Error", W},
    {MessageId::PortInUse, "Comm Port already in use.", "Comm Error", W},
    {MessageId::PortCannotOpen, "Zorvane was unable to open Comm Port.", "Comm Error", W},
    {MessageId::PortOpenError, "Comm Port error occured.", "Comm Error", W},
    {MessageId::PortFailed, "Comm Port error occured.\r", "Comm Error", W},
    {MessageId::ResetRadio, "Please Reset the radio, then click OK", "KRIX Smart mode", W},
    {MessageId::BootFileMissing, "File: {file} DOES NOT exist.\rMake sure Boot file is in ZORVANE directory.",
     "Bootload Error", W},
    {MessageId::BootWrongSize, "Boot file is to large/small.\rSee Help for troubleshooting.", "Bootload Error", W},
    {MessageId::BootNoVersion, "Version number NOT received from Boot code.\rCheck KRIX, cables and connections.",
     "Bootload Error", W},
    {MessageId::BootNotTransferred, "Could not transfer boot file to radio.\rCheck KRIX, cables and connections.",
     "Bootload Error", W},
    {MessageId::EraseConfigFailed, "Erase CONFIG command failed.\rCheck KRIX, cables and connections.",
     "CONFIG Error", W},
    {MessageId::ProgramConfigFailed, "Program CONFIG command failed.\rCheck KRIX, cables and connections.",
     "CONFIG Error", W},
    {MessageId::EraseEepromFailed, "Erase EEPROM command failed.\rCheck KRIX, cables and connections.",
     "EEPROM Error", W},
    {MessageId::EepromFileMissing, "File: {file} DOES NOT exist.\rMake sure EEPROM file is in ZORVANE directory.",
     "EEPROM Error", W},
    {MessageId::EepromLineErrors, "EEPROM program Failed.  Line Errors occured.\rCheck KRIX, cables and connections.",
     "EEPROM Error", W},
    {MessageId::EepromFailed, "EEPROM program Failed.\rCheck KRIX, cables and connections.", "EEPROM Error", W},
    {MessageId::EraseRomFailed, "Erase ROM command failed.\rCheck KRIX, cables and connections.", "FLASH Error", W},
    {MessageId::FirmwareFileMissing,
     "File: {file} DOES NOT exist.\rMake sure Firmware file is in ZORVANE directory.", "FLASH Error", W},
    {MessageId::FlashLineErrors, "FLASH Failed.  Line Errors occured.\rCheck KRIX, cables and connections.",
     "FLASH Error", W},
    {MessageId::FlashFailed, "FLASH Failed.\rCheck KRIX, cables and connections.", "FLASH Error", W},
    // The radio's boot code reports line errors of both images as FLASH errors.
    {MessageId::LineError, "Line Error!", "FLASH Error", BoxStyle::OkCancel},
    {MessageId::Success, "Programming Successful!", "ZORVANE", BoxStyle::OkOnly},
    {MessageId::UnexpectedError, "Zorvane stopped the run after an unexpected error.\r", "Error", W},
    {MessageId::RunNotStarted, "Zorvane could not start the run.\r", "Error", W},
    {MessageId::ConfigIncomplete, "Error reading from File: {file}\rSee Help for configuration file format.", "Error", W},
    {MessageId::ConfigMissing, "File: {file} DOES NOT exist.\rSee Help for configuration file format.", "Error", W},
    {MessageId::ConfigUnreadable, "Error reading configuraion file", "Error", W},
    {MessageId::NotReleased, "{file} is not the released file.", "Release Error", W},
    {MessageId::ReleaseUnverified, "The release could not be verified.", "Release Error", W},
    {MessageId::NotExpectedFirmware, "{file} is not the firmware the order names.", "Release Error", W},
}};

constexpr std::string_view kFilePlaceholder = "{file}";

const MessageRow& rowFor(MessageId id)
{
    for (const MessageRow& row : kMessages)
        if (row.id == id)
            return row;
    return kMessages.front();   // every id has a row; the table test holds it to that
}

} // namespace

Message MakeMessage(MessageId id, std::string_view file, std::string_view cause)
{
    const MessageRow& row = rowFor(id);
    std::string firstLine(row.firstLine());
    if (const auto at = firstLine.find(kFilePlaceholder); at != std::string::npos)
        firstLine.replace(at, kFilePlaceholder.size(), file);
    std::string secondLine(cause.empty() ? row.hint() : cause);
    std::string text = row.twoLines() || !cause.empty() ? firstLine + kCR + secondLine : firstLine;
    return {id,          std::move(text),       std::string(row.title), row.style, !cause.empty(),
            firstLine, std::move(secondLine)};
}

} // namespace zorvane

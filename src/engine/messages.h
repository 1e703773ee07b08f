// Every message a flash run shows the operator, with its title and box
// style. Front ends decide by the id; the texts are shown as they stand.
#pragma once

#include <string>
#include <string_view>

namespace zorvane {

// Message box styles by their classic values.
enum class BoxStyle : int {
    OkOnly = 0,       // OK button, no icon ("Programming Successful!")
    OkCancel = 1,     // OK and Cancel, no icon ("Line Error!")
    Exclamation = 48, // warning box: exclamation icon, OK button
};

enum class MessageId {
    ChooseAPlatform,
    PortInUse,
    PortCannotOpen,
    PortOpenError,
    PortFailed,          // the port failed after it opened
    ResetRadio,
    BootFileMissing,
    BootWrongSize,
    BootNoVersion,
    BootNotTransferred,
    EraseConfigFailed,
    ProgramConfigFailed,
    EraseEepromFailed,
    EepromFileMissing,
    EepromLineErrors,
    EepromFailed,
    EraseRomFailed,
    FirmwareFileMissing,
    FlashLineErrors,
    FlashFailed,
    LineError,
    Success,
    UnexpectedError,
    RunNotStarted,
    ConfigIncomplete,    // a platform's configuration file that cannot be used
    ConfigMissing,
    ConfigUnreadable,
    NotReleased,         // a file the release manifest does not vouch for
    ReleaseUnverified,   // the manifest or its signature cannot be trusted
    NotExpectedFirmware, // a firmware image the work order does not name
};

struct Message {
    MessageId id;
    std::string text;   // the whole box: firstLine, then secondLine after a carriage return when there is one
    std::string title;
    BoxStyle style;
    bool causeInText{};   // the second line is the run's cause: nothing need repeat it
    std::string firstLine{};
    std::string secondLine{};   // the hint, or the cause in its place
};

inline constexpr char kCR = '\r';   // separates the two lines of a message

// The message for id. {file} in its first line becomes file; a non-empty
// cause takes the place of the message's second line.
Message MakeMessage(MessageId id, std::string_view file = {}, std::string_view cause = {});

} // namespace zorvane

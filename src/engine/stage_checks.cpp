#include "engine/boot_loader.h"
#include "engine/flash_run.h"
#include "engine/image_programmer.h"

namespace zorvane {

namespace {

// The last row of a check: its plain failure line, with the cause of a file
// fault in place of the connection hint when there is one.
std::string plainFailure(const std::string& firstLine, const StageOutcome& outcome)
{
    return TwoLines(firstLine, outcome.cause.empty() ? std::string(kCheckConnections) : outcome.cause);
}

std::string missingFile(const std::string& fileName, const char* kind)
{
    return TwoLines("File: " + fileName + " DOES NOT exist.",
                    std::string("Make sure ") + kind + " file is in ZORVANE directory.");
}

struct ImageWording {
    const char* kind;       // "EEPROM", "Firmware"
    const char* failed;     // first line of the plain failure
    const char* lineErrors; // first line for code 10
    const char* title;
};

StageMessage imageMessage(const std::string& fileName, const StageOutcome& outcome,
                          const ImageWording& words)
{
    if (outcome.code == kImageFileMissing)
        return {missingFile(fileName, words.kind), words.title};
    if (outcome.code == kImageLineError)
        return {TwoLines(words.lineErrors, kCheckConnections), words.title};
    return {plainFailure(words.failed, outcome), words.title};
}

std::int16_t check(RunContext& ctx, const StageOutcome& outcome, std::int16_t success,
                   const StageMessage& message)
{
    if (outcome.code == success)
        return kTrue;
    ctx.MsgBox(message.text, BoxStyle::Exclamation, message.title);
    return kFalse;
}

} // namespace

StageMessage BootResultMessage(const FlashRunState& state, const StageOutcome& outcome)
{
    const char* title = "Bootload Error";
    switch (outcome.code) {
    case kBootFileMissing:
        return {missingFile(state.gbootFile, "Boot"), title};
    case kBootWrongSize:
        return {TwoLines("Boot file is to large/small.", "See Help for troubleshooting."), title};
    case kBootNoVersion:
        return {TwoLines("Version number NOT received from Boot code.", kCheckConnections), title};
    default:
        return {plainFailure("Could not transfer boot file to radio.", outcome), title};
    }
}

StageMessage EepromResultMessage(const FlashRunState& state, const StageOutcome& outcome)
{
    return imageMessage(state.geepromFile, outcome,
                        {"EEPROM", "EEPROM program Failed.",
                         "EEPROM program Failed.  Line Errors occured.", "EEPROM Error"});
}

StageMessage FlashResultMessage(const FlashRunState& state, const StageOutcome& outcome)
{
    return imageMessage(state.gfirmwareFile, outcome,
                        {"Firmware", "FLASH Failed.", "FLASH Failed.  Line Errors occured.",
                         "FLASH Error"});
}

std::int16_t CheckBootResult(RunContext& ctx, const StageOutcome& outcome)
{
    return check(ctx, outcome, kBootOk, BootResultMessage(ctx.state, outcome));
}

std::int16_t CheckEepromResult(RunContext& ctx, const StageOutcome& outcome)
{
    return check(ctx, outcome, kImageOk, EepromResultMessage(ctx.state, outcome));
}

std::int16_t CheckFlashResult(RunContext& ctx, const StageOutcome& outcome)
{
    return check(ctx, outcome, kImageOk, FlashResultMessage(ctx.state, outcome));
}

} // namespace zorvane

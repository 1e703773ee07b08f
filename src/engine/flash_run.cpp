#include "engine/flash_run.h"

#include "engine/boot_loader.h"
#include "engine/hex_text.h"
#include "engine/image_programmer.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

constexpr const char* kLineSettings = "9600,N,8,1";
constexpr std::int32_t kRadioBaud = 7600;   // the radio's boot ROM and boot code speed

std::string openFailureText(int number)
{
    switch (number) {
    case link::kErrPortInUse:
        return "Comm Port already in use.";
    case link::kErrCannotOpen:
        return "Zorvane was unable to open Comm Port.";
    default:
        return "Comm Port error occured.";
    }
}

std::string checksumText(const std::array<std::uint8_t, 2>& bytes)
{
    return "$" + HexText(bytes[0]) + HexText(bytes[1]);
}

// Timer1's pause between a command and the next step.
void pause(RunContext& ctx)
{
    ctx.link.pause(kTimer1Interval);
}

// A command's answer; a command the radio did not acknowledge gets its warning box.
bool acknowledged(RunContext& ctx, std::int16_t answer, const char* failure, const char* title)
{
    if (answer == kTrue)
        return true;
    ctx.MsgBox(TwoLines(failure, kCheckConnections), BoxStyle::Exclamation, title);
    return false;
}

// Steps 8 to 15: everything that talks to the KRIX box and the radio.
RunOutcome talkToRadio(RunContext& ctx)
{
    FlashRunState& st = ctx.state;
    link::SerialPort& port = ctx.link.port;
    RunHost& host = ctx.host;

    host.stageStarted(RunStage::SmartMode);
    StartSmartMode(ctx);
    link::SetBaudRate(port, kRadioBaud);
    host.setStatusText(PortText(st.CommPort) + ", 7600");

    host.stageStarted(RunStage::BootLoad);
    if (CheckBootResult(ctx, SendBootFile(ctx)) == kFalse)
        return RunOutcome::BootFailed;
    host.setResultBox(ResultBox::BootVers, "R" + st.greturnedVersion);
    host.setResultBox(ResultBox::BootCsum, "$" + HexText(static_cast<std::uint32_t>(st.gcheckSum)));

    host.stageStarted(RunStage::Config);
    if (!acknowledged(ctx, link::SendCommand(ctx.link, link::kOpEraseConfig), "Erase CONFIG command failed.",
                      "CONFIG Error"))
        return RunOutcome::ConfigFailed;
    pause(ctx);
    if (!acknowledged(ctx, link::SendConfigCommand(ctx.link, st.gconfigValHex), "Program CONFIG command failed.",
                      "CONFIG Error"))
        return RunOutcome::ConfigFailed;
    pause(ctx);
    host.setResultBox(ResultBox::Config, "$" + st.gconfigVal);

    if (!st.geepromFile.empty()) {
        host.stageStarted(RunStage::EraseEeprom);
        if (!acknowledged(ctx, link::SendCommand(ctx.link, link::kOpEraseEeprom), "Erase EEPROM command failed.",
                          "EEPROM Error"))
            return RunOutcome::EepromFailed;
        pause(ctx);
        host.stageStarted(RunStage::ProgramEeprom);
        if (CheckEepromResult(ctx, ProgramImage(ctx, kOpProgramEeprom)) == kFalse)
            return RunOutcome::EepromFailed;
        host.setResultBox(ResultBox::EepromCsum, checksumText(st.gimageCheckSum));
    }

    host.stageStarted(RunStage::EraseRom);
    if (!acknowledged(ctx, link::SendCommand(ctx.link, link::kOpEraseRom), "Erase ROM command failed.",
                      "FLASH Error"))
        return RunOutcome::FlashFailed;
    pause(ctx);
    host.stageStarted(RunStage::ProgramFlash);
    if (CheckFlashResult(ctx, ProgramImage(ctx, kOpProgramFlash)) == kFalse)
        return RunOutcome::FlashFailed;
    host.setResultBox(ResultBox::FirmwareCsum, checksumText(st.gimageCheckSum));

    ctx.MsgBox("Programming Successful!", BoxStyle::OkOnly, "ZORVANE");
    return RunOutcome::Success;
}

// Steps 4 to 15. A failure of the port after it opened ends the run with a
// message of its own.
RunOutcome openPortAndRun(RunContext& ctx)
{
    FlashRunState& st = ctx.state;
    link::SerialPort& port = ctx.link.port;

    ctx.host.stageStarted(RunStage::OpenPort);
    try {
        if (port.CommPort() != st.CommPort) {
            if (port.PortOpen())
                port.close();
            port.setCommPort(st.CommPort);
        }
        if (!port.PortOpen())
            port.open();
    } catch (const link::SerialError& e) {
        ctx.MsgBox(openFailureText(e.number), BoxStyle::Exclamation, "Comm Error");
        return RunOutcome::PortFailed;
    }

    try {
        port.setSettings(kLineSettings);
        ctx.host.setStatusText(PortText(st.CommPort) + ", 9600");
        return talkToRadio(ctx);
    } catch (const link::SerialError& e) {
        ctx.MsgBox(TwoLines("Comm Port error occured.",
                            e.description + " (" + e.source + " error " + std::to_string(e.number) + ")"),
                   BoxStyle::Exclamation, "Comm Error");
        return RunOutcome::SerialFailed;
    }
}

void closingSteps(RunContext& ctx)
{
    ctx.host.stageStarted(RunStage::Closing);
    ctx.host.setProgress(0);
    if (ctx.link.port.PortOpen()) {
        ctx.link.port.close();
        ctx.host.setStatusText(PortText(ctx.state.CommPort));
    }
    ctx.host.setCommMenuEnabled(true);
}

} // namespace

RunOutcome cmdBeginFlash_Click(RunContext& ctx, bool platformSelected)
{
    if (!platformSelected) {
        ctx.host.MsgBox("Choose a Platform to continue.", BoxStyle::Exclamation, "Error");
        return RunOutcome::NoPlatform;
    }

    ctx.host.setCommMenuEnabled(false);
    for (ResultBox box : {ResultBox::BootVers, ResultBox::BootCsum, ResultBox::Config,
                          ResultBox::EepromCsum, ResultBox::FirmwareCsum})
        ctx.host.setResultBox(box, "");

    RunOutcome outcome = RunOutcome::InternalError;
    try {
        outcome = openPortAndRun(ctx);
    } catch (const link::RunCancelled&) {
        outcome = RunOutcome::Cancelled;
    } catch (const std::exception& e) {
        // Nothing the run knows of ends here; say what happened all the same.
        if (!ctx.link.stop.stop_requested())
            ctx.host.MsgBox(TwoLines("Zorvane stopped the run after an unexpected error.", e.what()),
                            BoxStyle::Exclamation, "Error");
    }
    closingSteps(ctx);
    return outcome;
}

} // namespace zorvane

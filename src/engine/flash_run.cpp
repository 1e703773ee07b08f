#include "engine/flash_run.h"

#include "engine/boot_loader.h"
#include "engine/hex_text.h"
#include "engine/image_programmer.h"
#include "engine/run_images.h"
#include "engine/stage_checks.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

constexpr const char* kLineSettings = "9600,N,8,1";
constexpr std::int32_t kRadioBaud = 7600;   // the radio's boot ROM and boot code speed

MessageId openFailure(int number)
{
    switch (number) {
    case link::kErrPortInUse:
        return MessageId::PortInUse;
    case link::kErrCannotOpen:
        return MessageId::PortCannotOpen;
    default:
        return MessageId::PortOpenError;
    }
}

std::string serialErrorText(const link::SerialError& e)
{
    return e.description + " (" + e.source + " error " + std::to_string(e.number) + ")";
}

// Timer1's pause between a command and the next step.
void pause(RunContext& ctx)
{
    ctx.link.pause(kTimer1Interval);
}

// A command's answer; a command the radio did not acknowledge gets its warning box.
bool acknowledged(RunContext& ctx, const link::AckReply& reply, RunOutcome stage, MessageId failure)
{
    if (reply.acknowledged())
        return true;
    ctx.fail(stage, MakeMessage(failure), reply.cause());
    return false;
}

// Everything that talks to the KRIX box and the radio.
RunOutcome talkToRadio(RunContext& ctx)
{
    const files::PlatformConfig& config = ctx.config();
    RunReport& report = ctx.report;
    link::SerialPort& port = ctx.link.port;
    RunHost& host = ctx.host;

    ctx.enterStage(RunStage::SmartMode);
    StartSmartMode(ctx);
    link::SetBaudRate(port, kRadioBaud);
    host.statusChanged(PortText(ctx.request.port) + ", 7600");

    ctx.enterStage(RunStage::BootLoad);
    const BootOutcome boot = SendBootFile(ctx);
    if (!CheckBootResult(ctx, boot))
        return RunOutcome::BootFailed;
    report.bootVersion = boot.version;
    report.bootVersionBytes = boot.versionBytes;
    report.bootChecksum = boot.checksum;
    host.resultReady(ResultBox::BootVers, "R" + boot.version);
    host.resultReady(ResultBox::BootCsum, "$" + HexText(boot.checksum));

    ctx.enterStage(RunStage::Config);
    if (!acknowledged(ctx, link::SendCommand(ctx.link, link::kOpEraseConfig), RunOutcome::ConfigFailed,
                      MessageId::EraseConfigFailed))
        return RunOutcome::ConfigFailed;
    pause(ctx);
    if (!acknowledged(ctx, link::SendConfigCommand(ctx.link, config.configValHex), RunOutcome::ConfigFailed,
                      MessageId::ProgramConfigFailed))
        return RunOutcome::ConfigFailed;
    pause(ctx);
    report.configValue = config.configValHex;
    host.resultReady(ResultBox::Config, "$" + config.configVal);

    if (!config.eepromFile.empty()) {
        ctx.enterStage(RunStage::EraseEeprom);
        if (!acknowledged(ctx, link::SendCommand(ctx.link, link::kOpEraseEeprom), RunOutcome::EepromFailed,
                          MessageId::EraseEepromFailed))
            return RunOutcome::EepromFailed;
        pause(ctx);
        ctx.enterStage(RunStage::ProgramEeprom);
        const ImageOutcome eeprom = ProgramImage(ctx, kOpProgramEeprom);
        if (!CheckEepromResult(ctx, eeprom))
            return RunOutcome::EepromFailed;
        report.eepromChecksum = eeprom.checksum;
        host.resultReady(ResultBox::EepromCsum, ChecksumText(eeprom.checksum.value_or(ImageChecksum{})));
    }

    ctx.enterStage(RunStage::EraseRom);
    if (!acknowledged(ctx, link::SendCommand(ctx.link, link::kOpEraseRom), RunOutcome::FlashFailed,
                      MessageId::EraseRomFailed))
        return RunOutcome::FlashFailed;
    pause(ctx);
    ctx.enterStage(RunStage::ProgramFlash);
    const ImageOutcome firmware = ProgramImage(ctx, kOpProgramFlash);
    if (!CheckFlashResult(ctx, firmware))
        return RunOutcome::FlashFailed;
    report.firmwareChecksum = firmware.checksum;
    host.resultReady(ResultBox::FirmwareCsum, ChecksumText(firmware.checksum.value_or(ImageChecksum{})));

    ctx.succeed();
    return RunOutcome::Success;
}

// A failure of the port after it opened ends the run with a message of its own.
RunOutcome openPortAndRun(RunContext& ctx)
{
    link::SerialPort& port = ctx.link.port;

    ctx.enterStage(RunStage::OpenPort);
    try {
        if (port.CommPort() != ctx.request.port) {
            if (port.PortOpen())
                port.close();
            port.setCommPort(ctx.request.port);
        }
        if (!port.PortOpen())
            port.open();
    } catch (const link::SerialError& e) {
        ctx.fail(RunOutcome::PortFailed, MakeMessage(openFailure(e.number)), serialErrorText(e));
        return RunOutcome::PortFailed;
    }

    try {
        port.setSettings(kLineSettings);
        ctx.host.statusChanged(PortText(ctx.request.port) + ", 9600");
        return talkToRadio(ctx);
    } catch (const link::SerialError& e) {
        ctx.fail(RunOutcome::SerialFailed, MakeMessage(MessageId::PortFailed, {}, serialErrorText(e)),
                 serialErrorText(e));
        return RunOutcome::SerialFailed;
    }
}

// Every image is read and checked before the port opens: a file that is
// missing or damaged stops the run before any byte goes to the radio.
RunOutcome readImagesAndRun(RunContext& ctx)
{
    const files::Manifest* manifest = ctx.request.release ? ctx.request.release->manifest.get() : nullptr;
    auto images = ReadRunImages(ctx.config(), manifest);
    if (const RunFailure* failure = std::get_if<RunFailure>(&images)) {
        ctx.host.runStarted(nullptr);
        ctx.fail(failure->outcome, failure->message, failure->cause);
        return failure->outcome;
    }
    ctx.report.images = std::get<std::shared_ptr<const RunImages>>(std::move(images));
    ctx.host.runStarted(ctx.report.images.get());
    return openPortAndRun(ctx);
}

void closingSteps(RunContext& ctx)
{
    ctx.enterStage(RunStage::Closing);
    ctx.host.progress({RunStage::Closing});
    if (ctx.link.port.PortOpen()) {
        ctx.link.port.close();
        ctx.host.statusChanged(PortText(ctx.request.port));
    }
    ctx.endStages();
}

} // namespace

RunOutcome cmdBeginFlash_Click(RunContext& ctx)
{
    if (!ctx.request.platform) {
        ctx.report.message = MakeMessage(MessageId::ChooseAPlatform);
        ctx.report.cause = "no platform chosen";
        ctx.host.showFailure({RunOutcome::NoPlatform, *ctx.report.message, ctx.report.cause}, ctx.link.stop);
        return ctx.report.outcome = RunOutcome::NoPlatform;
    }

    ctx.host.resultsCleared();
    RunOutcome outcome = RunOutcome::InternalError;
    try {
        outcome = readImagesAndRun(ctx);
    } catch (const link::RunCancelled&) {
        outcome = RunOutcome::Cancelled;
        ctx.report.cause = "stopped by the operator";
    } catch (const std::exception& e) {
        // Nothing the run knows of ends here; say what happened all the same.
        ctx.report.message = MakeMessage(MessageId::UnexpectedError, {}, e.what());
        ctx.report.cause = e.what();
        ctx.decide(RunOutcome::InternalError);
        if (!ctx.link.stop.stop_requested())
            ctx.host.showFailure({RunOutcome::InternalError, *ctx.report.message, e.what()}, ctx.link.stop);
    }
    ctx.decide(outcome);   // the first decision stands
    closingSteps(ctx);
    return ctx.report.outcome;
}

RunReport RunFlash(const RunRequest& request, link::SerialPort& port, link::Clock& clock, RunHost& host,
                   std::stop_token stop, RunRecorder* recorder)
{
    RunContext ctx(request, port, clock, host, std::move(stop), recorder);
    cmdBeginFlash_Click(ctx);
    return std::move(ctx.report);
}

} // namespace zorvane

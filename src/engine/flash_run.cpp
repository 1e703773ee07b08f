#include "engine/flash_run.h"

#include "engine/boot_loader.h"
#include "engine/hex_text.h"
#include "engine/image_programmer.h"
#include "engine/run_images.h"
#include "engine/stage_checks.h"
#include "link/command_link.h"
#include "link/protocol.h"

namespace zorvane {

namespace {

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

OpenError openErrorOf(const link::SerialError& e)
{
    return {e.number, e.systemError, e.description, e.source, e.device};
}

// "Comm  1, 7600": the port and the line speed now in force.
void showLineSpeed(RunContext& ctx, std::int32_t baud)
{
    ctx.host.statusChanged(link::PortText(ctx.request.port) + ", " + std::to_string(baud));
}

// A command the radio did not acknowledge gets its warning box; after an
// acknowledged one Timer1 pauses before the next step.
bool commandDone(RunContext& ctx, std::uint8_t opcode, const link::AckReply& reply, RunOutcome stage,
                 MessageId failure)
{
    if (!reply.acknowledged()) {
        ctx.fail(stage, MakeMessage(failure), AckFault{reply, opcode});
        return false;
    }
    ctx.link.pause(kTimer1Interval);
    return true;
}

// Smart mode at the KRIX box's speed, then the boot code at the radio's.
bool loadBootCode(RunContext& ctx)
{
    ctx.enterStage(RunStage::SmartMode);
    StartSmartMode(ctx);
    link::SetBaudRate(ctx.link.port, link::kRadioBaud);
    showLineSpeed(ctx, link::kRadioBaud);

    ctx.enterStage(RunStage::BootLoad);
    const BootOutcome boot = SendBootFile(ctx);
    if (!CheckBootResult(ctx, boot))
        return false;
    ctx.report.bootVersion = boot.version;
    ctx.report.bootVersionBytes = boot.versionBytes;
    ctx.report.bootChecksum = boot.checksum;
    ctx.host.resultReady(ResultBox::BootVers, BootVersionText(boot.version));
    ctx.host.resultReady(ResultBox::BootCsum, BootChecksumText(boot.checksum));
    return true;
}

bool programConfig(RunContext& ctx)
{
    const files::PlatformConfig& config = ctx.config();
    ctx.enterStage(RunStage::Config);
    if (!commandDone(ctx, link::kOpEraseConfig, link::SendCommand(ctx.link, link::kOpEraseConfig),
                     RunOutcome::ConfigFailed, MessageId::EraseConfigFailed) ||
        !commandDone(ctx, link::kOpProgramConfig, link::SendConfigCommand(ctx.link, config.configValHex),
                     RunOutcome::ConfigFailed, MessageId::ProgramConfigFailed))
        return false;
    ctx.report.configValue = config.configValHex;
    ctx.host.resultReady(ResultBox::Config, "$" + config.configVal);
    return true;
}

// An image's memory erased, then the image programmed into it.
struct ImageStage {
    RunStage erase;
    std::uint8_t eraseOpcode;
    MessageId eraseFailed;
    RunStage program;
    std::uint8_t programOpcode;
    RunOutcome failure;
    const files::Image& (*image)(const RunImages&);
    bool (*check)(RunContext&, const ImageOutcome&);
    std::optional<ImageChecksum> RunReport::*checksum;
    ResultBox checksumBox;
};

constexpr ImageStage kEepromStage{.erase = RunStage::EraseEeprom,
                                  .eraseOpcode = link::kOpEraseEeprom,
                                  .eraseFailed = MessageId::EraseEepromFailed,
                                  .program = RunStage::ProgramEeprom,
                                  .programOpcode = link::kOpProgramEeprom,
                                  .failure = RunOutcome::EepromFailed,
                                  .image = [](const RunImages& images) -> const files::Image& { return *images.eeprom; },
                                  .check = CheckEepromResult,
                                  .checksum = &RunReport::eepromChecksum,
                                  .checksumBox = ResultBox::EepromCsum};
constexpr ImageStage kFlashStage{.erase = RunStage::EraseRom,
                                 .eraseOpcode = link::kOpEraseRom,
                                 .eraseFailed = MessageId::EraseRomFailed,
                                 .program = RunStage::ProgramFlash,
                                 .programOpcode = link::kOpProgramFlash,
                                 .failure = RunOutcome::FlashFailed,
                                 .image = [](const RunImages& images) -> const files::Image& { return images.firmware; },
                                 .check = CheckFlashResult,
                                 .checksum = &RunReport::firmwareChecksum,
                                 .checksumBox = ResultBox::FirmwareCsum};

bool eraseAndProgram(RunContext& ctx, const ImageStage& stage)
{
    ctx.enterStage(stage.erase);
    if (!commandDone(ctx, stage.eraseOpcode, link::SendCommand(ctx.link, stage.eraseOpcode), stage.failure,
                     stage.eraseFailed))
        return false;
    ctx.enterStage(stage.program);
    const ImageOutcome outcome = ProgramImage(ctx, stage.programOpcode, stage.image(ctx.images()));
    if (!stage.check(ctx, outcome))
        return false;
    ctx.report.*stage.checksum = outcome.checksum;
    ctx.host.resultReady(stage.checksumBox, ChecksumText(outcome.checksum.value_or(ImageChecksum{})));
    return true;
}

// The image stages a run takes, in order: the EEPROM only when the
// platform has an EEPROM image.
std::vector<const ImageStage*> imageStages(const RunImages& images)
{
    std::vector<const ImageStage*> stages;
    if (images.eeprom)
        stages.push_back(&kEepromStage);
    stages.push_back(&kFlashStage);
    return stages;
}

// Everything that talks to the KRIX box and the radio.
RunOutcome talkToRadio(RunContext& ctx)
{
    if (!loadBootCode(ctx))
        return RunOutcome::BootFailed;
    if (!programConfig(ctx))
        return RunOutcome::ConfigFailed;
    for (const ImageStage* stage : imageStages(ctx.images()))
        if (!eraseAndProgram(ctx, *stage))
            return stage->failure;
    ctx.succeed();
    return RunOutcome::Success;
}

// A failure of the port after it opened ends the run with a message of its own.
RunOutcome openPortAndRun(RunContext& ctx)
{
    link::SerialPort& port = ctx.link.port;

    ctx.enterStage(RunStage::OpenPort);
    try {
        if (port.portChoice() != ctx.request.port) {
            if (port.PortOpen())
                port.close();
            port.choosePort(ctx.request.port);
        }
        if (!port.PortOpen())
            port.open();
    } catch (const link::SerialError& e) {
        ctx.fail(RunOutcome::PortFailed, MakeMessage(openFailure(e.number)), openErrorOf(e));
        return RunOutcome::PortFailed;
    }

    try {
        port.setSettings(link::kKrixLine);
        showLineSpeed(ctx, link::kKrixLine.baud);
        return talkToRadio(ctx);
    } catch (const link::SerialError& e) {
        const SerialFault fault{openErrorOf(e)};
        ctx.fail(RunOutcome::SerialFailed, MakeMessage(MessageId::PortFailed, {}, FaultText(fault)), fault);
        return RunOutcome::SerialFailed;
    }
}

// Every image is read and checked before the port opens: a file that is
// missing or damaged stops the run before any byte goes to the radio.
RunOutcome readImagesAndRun(RunContext& ctx)
{
    const files::Manifest* manifest = ctx.request.release ? ctx.request.release->manifest.get() : nullptr;
    auto images = ctx.request.imagesRead ? ctx.request.imagesRead->read : ReadRunImages(ctx.config(), manifest);
    if (const RunFailure* failure = std::get_if<RunFailure>(&images)) {
        ctx.host.runStarted(nullptr);
        ctx.fail(failure->outcome, failure->message, failure->fault.value_or(InternalFault{failure->cause}));
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
        ctx.host.statusChanged(link::PortText(ctx.request.port));
    }
    ctx.endStages();
}

} // namespace

RunSequence SequenceFor(const RunImages& images)
{
    RunSequence sequence{{link::kOpEraseConfig, link::kOpProgramConfig}, {}};
    for (const ImageStage* stage : imageStages(images)) {
        sequence.commands.push_back(stage->eraseOpcode);
        sequence.images.push_back(&stage->image(images));
    }
    return sequence;
}

RunOutcome cmdBeginFlash_Click(RunContext& ctx)
{
    if (!ctx.request.platform) {
        // Nothing has started: no stage, no closing steps.
        ctx.failQuietlyWhenStopping(RunOutcome::NoPlatform, MakeMessage(MessageId::ChooseAPlatform), NoPlatform{});
        return ctx.report.outcome;
    }

    ctx.host.resultsCleared();
    RunOutcome outcome = RunOutcome::InternalError;
    try {
        outcome = readImagesAndRun(ctx);
    } catch (const link::RunCancelled&) {
        ctx.stopped();
    } catch (const std::exception& e) {
        // Nothing the run knows of ends here; say what happened all the same.
        ctx.failQuietlyWhenStopping(RunOutcome::InternalError, MakeMessage(MessageId::UnexpectedError, {}, e.what()),
                           InternalFault{e.what()});
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

#include "engine/stage_checks.h"

namespace zorvane {

namespace {

struct ImageWording {
    MessageId missing;
    MessageId lineErrors;
    MessageId failed;
};

// A file that could not be programmed names its fault in place of the
// connection hint: nothing was sent, so the cables are not to blame.
Message imageMessage(const std::string& fileName, const ImageOutcome& outcome, const ImageWording& words)
{
    switch (outcome.result) {
    case ImageResult::FileMissing:
        return MakeMessage(words.missing, fileName);
    case ImageResult::LineError:
        return MakeMessage(words.lineErrors);
    case ImageResult::Failed:
        return MakeMessage(words.failed, {}, outcome.fault ? FaultText(*outcome.fault) : std::string());
    case ImageResult::Ok:
        break;
    }
    return MakeMessage(words.failed);
}

} // namespace

Message BootResultMessage(const files::PlatformConfig& config, const BootOutcome& outcome)
{
    switch (outcome.result) {
    case BootResult::FileMissing:
        return MakeMessage(MessageId::BootFileMissing, config.bootFile);
    case BootResult::WrongSize:
        return MakeMessage(MessageId::BootWrongSize);
    case BootResult::NoVersion:
        return MakeMessage(MessageId::BootNoVersion);
    case BootResult::Ok:
    case BootResult::NotTransferred:
        break;
    }
    const bool fileFault = outcome.fileFault && outcome.fault;
    return MakeMessage(MessageId::BootNotTransferred, {}, fileFault ? FaultText(*outcome.fault) : std::string());
}

Message EepromResultMessage(const files::PlatformConfig& config, const ImageOutcome& outcome)
{
    return imageMessage(config.eepromFile, outcome,
                        {MessageId::EepromFileMissing, MessageId::EepromLineErrors, MessageId::EepromFailed});
}

Message FlashResultMessage(const files::PlatformConfig& config, const ImageOutcome& outcome)
{
    return imageMessage(config.firmwareFile, outcome,
                        {MessageId::FirmwareFileMissing, MessageId::FlashLineErrors, MessageId::FlashFailed});
}

bool CheckBootResult(RunContext& ctx, const BootOutcome& outcome)
{
    if (outcome.result == BootResult::Ok)
        return true;
    ctx.fail(RunOutcome::BootFailed, BootResultMessage(ctx.config(), outcome),
             outcome.fault.value_or(InternalFault{"the boot stage failed without a fault"}));
    return false;
}

namespace {

// The stage's failure, with the block or file fault behind it.
void failImage(RunContext& ctx, RunOutcome stage, Message message, const ImageOutcome& outcome)
{
    ctx.fail(stage, std::move(message), outcome.fault.value_or(InternalFault{"the image stage failed without a fault"}));
}

} // namespace

bool CheckEepromResult(RunContext& ctx, const ImageOutcome& outcome)
{
    if (outcome.result == ImageResult::Ok)
        return true;
    failImage(ctx, RunOutcome::EepromFailed, EepromResultMessage(ctx.config(), outcome), outcome);
    return false;
}

bool CheckFlashResult(RunContext& ctx, const ImageOutcome& outcome)
{
    if (outcome.result == ImageResult::Ok)
        return true;
    failImage(ctx, RunOutcome::FlashFailed, FlashResultMessage(ctx.config(), outcome), outcome);
    return false;
}

} // namespace zorvane

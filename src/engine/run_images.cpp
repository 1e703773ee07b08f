#include "engine/run_images.h"

#include "engine/stage_checks.h"

namespace zorvane {

BootOutcome BootFileOutcome(const files::ImageFault& fault)
{
    BootOutcome outcome;
    outcome.cause = fault.text;
    switch (fault.kind) {
    case files::ImageFaultKind::Missing: outcome.result = BootResult::FileMissing; break;
    case files::ImageFaultKind::WrongSize: outcome.result = BootResult::WrongSize; break;
    case files::ImageFaultKind::Unreadable:
    case files::ImageFaultKind::Damaged:
        outcome.result = BootResult::NotTransferred;
        outcome.fileFault = true;
        break;
    }
    return outcome;
}

ImageOutcome ImageFileOutcome(const files::ImageFault& fault)
{
    return {fault.kind == files::ImageFaultKind::Missing ? ImageResult::FileMissing : ImageResult::Failed, fault.text,
            std::nullopt};
}

std::variant<std::shared_ptr<const RunImages>, RunFailure> ReadRunImages(const files::PlatformConfig& config)
{
    auto images = std::make_shared<RunImages>();

    auto boot = files::ReadBootImage(config.bootFile);
    if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&boot)) {
        const BootOutcome outcome = BootFileOutcome(*fault);
        return RunFailure{RunOutcome::BootFailed, BootResultMessage(config, outcome), outcome.cause};
    }
    images->boot = std::move(std::get<files::BootImage>(boot));

    if (!config.eepromFile.empty()) {
        auto eeprom = files::ReadImage(config.eepromFile);
        if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&eeprom)) {
            const ImageOutcome outcome = ImageFileOutcome(*fault);
            return RunFailure{RunOutcome::EepromFailed, EepromResultMessage(config, outcome), outcome.cause};
        }
        images->eeprom = std::move(std::get<files::Image>(eeprom));
    }

    auto firmware = files::ReadImage(config.firmwareFile);
    if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&firmware)) {
        const ImageOutcome outcome = ImageFileOutcome(*fault);
        return RunFailure{RunOutcome::FlashFailed, FlashResultMessage(config, outcome), outcome.cause};
    }
    images->firmware = std::move(std::get<files::Image>(firmware));
    return std::shared_ptr<const RunImages>(std::move(images));
}

} // namespace zorvane

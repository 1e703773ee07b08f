#include "engine/run_images.h"

#include "engine/stage_checks.h"

namespace zorvane {

BootOutcome BootFileOutcome(const files::ImageFault& fault)
{
    BootOutcome outcome;
    outcome.fault = fault;
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
    return {fault.kind == files::ImageFaultKind::Missing ? ImageResult::FileMissing : ImageResult::Failed,
            std::nullopt, fault};
}

namespace {

// An image the manifest does not vouch for is a file the run cannot use.
template <typename Image>
void holdToManifest(std::variant<Image, files::ImageFault>& read, const files::Manifest* manifest)
{
    const Image* image = std::get_if<Image>(&read);
    if (manifest == nullptr || image == nullptr)
        return;
    if (std::optional<files::ManifestProblem> problem = manifest->problemWith(image->file.fileName, image->file.sha256))
        read = files::ImageFault{files::ImageFaultKind::Damaged, problem->text, image->file.fileName, 0, {},
                                 problem->reason};
}

// An EEPROM or firmware image, held to the manifest when there is one.
std::variant<files::Image, files::ImageFault> readImage(const std::string& fileName,
                                                       const std::filesystem::path& folder,
                                                       const files::Manifest* manifest)
{
    auto read = files::ReadImage(fileName, folder);
    holdToManifest(read, manifest);
    return read;
}

} // namespace

// The failure a run shows for an image it cannot use: the stage's own, or
// for a file the manifest does not vouch for, the release's.
RunFailure imageFailure(RunOutcome stage, Message stageMessage, const files::ImageFault& fault)
{
    Message message = fault.notReleased.empty() ? std::move(stageMessage)
                                                : MakeMessage(MessageId::NotReleased, fault.file, fault.text);
    return RunFailure{stage, std::move(message), fault.text, fault};
}

std::variant<std::shared_ptr<const RunImages>, RunFailure> ReadRunImages(const files::PlatformConfig& config,
                                                                         const files::Manifest* manifest)
{
    auto images = std::make_shared<RunImages>();

    auto boot = files::ReadBootImage(config.bootFile, config.folder);
    holdToManifest(boot, manifest);
    if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&boot)) {
        const BootOutcome outcome = BootFileOutcome(*fault);
        return imageFailure(RunOutcome::BootFailed, BootResultMessage(config, outcome), *fault);
    }
    images->boot = std::move(std::get<files::BootImage>(boot));

    if (!config.eepromFile.empty()) {
        auto eeprom = readImage(config.eepromFile, config.folder, manifest);
        if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&eeprom)) {
            const ImageOutcome outcome = ImageFileOutcome(*fault);
            return imageFailure(RunOutcome::EepromFailed, EepromResultMessage(config, outcome), *fault);
        }
        images->eeprom = std::move(std::get<files::Image>(eeprom));
    }

    auto firmware = readImage(config.firmwareFile, config.folder, manifest);
    if (const files::ImageFault* fault = std::get_if<files::ImageFault>(&firmware)) {
        const ImageOutcome outcome = ImageFileOutcome(*fault);
        return imageFailure(RunOutcome::FlashFailed, FlashResultMessage(config, outcome), *fault);
    }
    images->firmware = std::move(std::get<files::Image>(firmware));
    return std::shared_ptr<const RunImages>(std::move(images));
}

} // namespace zorvane

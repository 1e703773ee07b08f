// The three images of a run, read once and checked whole before the port
// opens: what a run sends, what the flasher's check shows and what the flash
// record names are the same bytes.
#pragma once

#include <memory>
#include <optional>
#include <variant>

#include "engine/boot_loader.h"
#include "engine/image_programmer.h"
#include "engine/run_host.h"
#include "files/image.h"
#include "files/platform_config.h"

namespace zorvane {

struct RunImages {
    files::BootImage boot;
    std::optional<files::Image> eeprom;   // only when the platform has an EEPROM image
    files::Image firmware;
};

// The platform's images read once, or the failure every run of them shows.
struct RunImagesRead {
    std::variant<std::shared_ptr<const RunImages>, RunFailure> read;
};

// A file that cannot be used, as its stage's outcome: nothing was sent.
BootOutcome BootFileOutcome(const files::ImageFault& fault);
ImageOutcome ImageFileOutcome(const files::ImageFault& fault);

// The platform's images, or the failure a run shows for the first one that
// cannot be used (its stage's title, first line and exit status). With a
// manifest, an image it does not list with the SHA-256 read cannot be used.
std::variant<std::shared_ptr<const RunImages>, RunFailure> ReadRunImages(const files::PlatformConfig& config,
                                                                         const files::Manifest* manifest = nullptr);

} // namespace zorvane

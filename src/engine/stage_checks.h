// The checks that turn a stage's result into success or the stage's
// warning box.
#pragma once

#include "engine/boot_loader.h"
#include "engine/image_programmer.h"

namespace zorvane {

// The message a failed stage shows.
Message BootResultMessage(const files::PlatformConfig& config, const BootOutcome& outcome);
Message EepromResultMessage(const files::PlatformConfig& config, const ImageOutcome& outcome);
Message FlashResultMessage(const files::PlatformConfig& config, const ImageOutcome& outcome);

// True for the stage's success; otherwise the stage's warning box is shown
// and the answer is false.
bool CheckBootResult(RunContext& ctx, const BootOutcome& outcome);
bool CheckEepromResult(RunContext& ctx, const ImageOutcome& outcome);
bool CheckFlashResult(RunContext& ctx, const ImageOutcome& outcome);

} // namespace zorvane

// What a run would do with a platform's files, found without a port: the
// boot code's checksum, the blocks and bytes of each image, and the time
// the line needs for them; or what would stop the run.
#pragma once

#include <chrono>
#include <optional>
#include <variant>

#include "engine/boot_loader.h"
#include "engine/image_programmer.h"
#include "engine/run_host.h"

namespace zorvane {

struct RunPlan {
    BootOutcome boot;
    std::optional<ImageCheck> eeprom;   // only with an EEPROM image
    std::optional<ImageCheck> firmware;
    std::chrono::duration<double> lineTime{};   // on a 7600-baud line, pauses included
    std::optional<RunFailure> failure;          // the first thing that would stop a run
};

RunPlan PlanRun(const files::PlatformConfig& config);

} // namespace zorvane

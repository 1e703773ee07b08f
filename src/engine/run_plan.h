// What a run would do with a platform's files, found without a port: the
// images as a run reads them, and the time the line needs for them; or what
// would stop the run.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <variant>

#include "engine/run_host.h"
#include "engine/run_images.h"

namespace zorvane {

struct RunPlan {
    std::shared_ptr<const RunImages> images;    // none when a file would stop the run
    std::chrono::duration<double> lineTime{};   // at the radio's line speed, pauses included
    std::optional<RunFailure> failure;          // the first thing that would stop a run
};

// The plan for images read (ReadRunImages), or the failure their reading met.
RunPlan PlanRun(std::variant<std::shared_ptr<const RunImages>, RunFailure> images);

} // namespace zorvane

#include "engine/run_plan.h"

#include "engine/flash_run.h"
#include "engine/boot_loader.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

constexpr double kLineBytesPerSecond = static_cast<double>(link::kRadioBaud) / link::kLineBitsPerByte;
constexpr std::size_t kCommandBytes = 2 * link::kFrameBytes;   // the packet and its acknowledgement
constexpr std::size_t kBlockOverhead = 2 * link::kFrameBytes;  // the header and its acknowledgement

std::chrono::duration<double> lineTime(std::size_t bytes)
{
    return std::chrono::duration<double>(static_cast<double>(bytes) / kLineBytesPerSecond);
}

} // namespace

RunPlan PlanRun(std::variant<std::shared_ptr<const RunImages>, RunFailure> images)
{
    RunPlan plan;
    if (const RunFailure* failure = std::get_if<RunFailure>(&images)) {
        plan.failure = *failure;
        return plan;
    }
    plan.images = std::get<std::shared_ptr<const RunImages>>(std::move(images));

    const RunSequence sequence = SequenceFor(*plan.images);
    plan.lineTime = kSmartModePause + lineTime(kBootBytes + link::kFrameBytes) +
                    static_cast<double>(sequence.commands.size()) * (lineTime(kCommandBytes) + kTimer1Interval);
    for (const files::Image* image : sequence.images)
        plan.lineTime += lineTime(image->blocks.size() * kBlockOverhead + image->dataBytes);
    return plan;
}

} // namespace zorvane

#include "engine/run_plan.h"

#include "engine/flash_run.h"
#include "engine/stage_checks.h"
#include "link/command_link.h"

namespace zorvane {

namespace {

// 7600 baud, ten bits a byte (start, eight data, stop).
constexpr double kLineBytesPerSecond = 7600.0 / 10;
constexpr auto kSmartModeWait = std::chrono::seconds(1);
constexpr std::size_t kCommandBytes = 2 * link::kFrameBytes;   // the packet and its acknowledgement
constexpr std::size_t kBlockOverhead = 2 * link::kFrameBytes;  // the header and its acknowledgement

std::chrono::duration<double> lineTime(std::size_t bytes)
{
    return std::chrono::duration<double>(static_cast<double>(bytes) / kLineBytesPerSecond);
}

} // namespace

RunPlan PlanRun(const files::PlatformConfig& config)
{
    RunPlan plan;
    plan.boot = CheckBootFile(config.bootFile);
    if (plan.boot.result != BootResult::Ok) {
        plan.failure = RunFailure{RunOutcome::BootFailed, BootResultMessage(config, plan.boot), plan.boot.cause};
        return plan;
    }
    std::size_t commands = 3;   // Erase CONFIG, Program CONFIG, Erase ROM
    if (!config.eepromFile.empty()) {
        auto eeprom = ReadImageFile(config.eepromFile);
        if (const ImageOutcome* failed = std::get_if<ImageOutcome>(&eeprom)) {
            plan.failure = RunFailure{RunOutcome::EepromFailed, EepromResultMessage(config, *failed), failed->cause};
            return plan;
        }
        plan.eeprom = std::get<ImageCheck>(eeprom);
        ++commands;   // Erase EEPROM
    }
    auto firmware = ReadImageFile(config.firmwareFile);
    if (const ImageOutcome* failed = std::get_if<ImageOutcome>(&firmware)) {
        plan.failure = RunFailure{RunOutcome::FlashFailed, FlashResultMessage(config, *failed), failed->cause};
        return plan;
    }
    plan.firmware = std::get<ImageCheck>(firmware);

    plan.lineTime = kSmartModeWait + lineTime(kBootBytes + kVersionReplyBytes) +
                    static_cast<double>(commands) * (lineTime(kCommandBytes) + kTimer1Interval);
    for (const std::optional<ImageCheck>& image : {plan.eeprom, plan.firmware})
        if (image)
            plan.lineTime += lineTime(image->blocks * kBlockOverhead + image->dataBytes);
    return plan;
}

} // namespace zorvane

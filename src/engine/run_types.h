// What goes into a flash run and what comes out of it.
#pragma once

#include <array>
#include <functional>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "engine/run_fault.h"
#include "link/port_choice.h"
#include "files/image.h"
#include "files/manifest.h"
#include "files/platform_config.h"

namespace zorvane {

struct RunImagesRead;

// The release manifest a run is held to, with the key that signed it.
struct ReleaseInPlay {
    std::shared_ptr<const files::Manifest> manifest;
    std::string signedBy;   // the signing key's fingerprint; empty: not signed
};

// One run: the port (a Comm entry as the menu chose it, or a device path)
// and the platform's configuration; no configuration means no platform was
// chosen.
// With a release in play, only images its manifest lists are programmed.
struct RunRequest {
    link::PortChoice port;
    std::optional<files::PlatformConfig> platform;
    std::optional<ReleaseInPlay> release{};
    // The platform's images as read once for every radio of one command, so
    // that they all get the same bytes; none: the run reads them itself.
    std::shared_ptr<const RunImagesRead> imagesRead{};
    // Puts a port that did not open in the front end's words (the flasher's
    // diagnosis), once, for the box and the record alike, and adds what the
    // diagnosis found (who holds the device); none: the serial layer's own words.
    std::function<std::string(OpenError&)> describeOpenFailure{};
};

// How a run ended: success, or the stage that failed.
enum class RunOutcome {
    Success,
    NoPlatform,
    PortFailed,     // the port did not open
    SerialFailed,   // the port failed after it opened
    BootFailed,
    ConfigFailed,
    EepromFailed,
    FlashFailed,
    Cancelled,
    InternalError,
};

// The stages of a run, in order.
enum class RunStage { OpenPort, SmartMode, BootLoad, Config, EraseEeprom, ProgramEeprom, EraseRom, ProgramFlash, Closing };

// The window's five result boxes.
enum class ResultBox { BootVers, BootCsum, Config, EepromCsum, FirmwareCsum };

// The first two data bytes of an image's first data record.
using files::ImageChecksum;

struct RunImages;

struct RunCounts {
    std::size_t blocks = 0;      // programming blocks sent, resends not counted
    std::size_t resends = 0;
    std::size_t lineErrors = 0;
};

struct StageTime {
    RunStage stage;
    std::chrono::duration<double> took;
};

struct RunReport {
    RunOutcome outcome = RunOutcome::InternalError;
    // Result values, each once its stage has succeeded.
    std::optional<std::string> bootVersion;   // e.g. "1.A"
    std::optional<std::array<std::uint8_t, 2>> bootVersionBytes;   // e.g. 01 0A
    std::optional<std::uint16_t> bootChecksum; // sum of the 1025 boot bytes modulo 65536
    std::optional<std::uint8_t> configValue;
    std::optional<ImageChecksum> eepromChecksum;
    std::optional<ImageChecksum> firmwareChecksum;
    // The last box the run showed ("Programming Successful!" or the failure).
    std::optional<Message> message;
    std::string cause;   // what went wrong, in words; empty on success
    std::optional<RunFault> fault;   // what went wrong, as it happened (none: no such fault, or success)
    RunCounts counts;
    std::vector<StageTime> stageTimes;
    // Of the stages' time, the part until the operator answered the reset
    // question (a shift's station arms long before its radio comes).
    std::chrono::duration<double> untilReset{};
    // The images as the run read them, before the port opened; none when
    // the run stopped before that.
    std::shared_ptr<const RunImages> images;

    // The whole run: every stage's time.
    std::chrono::duration<double> duration() const
    {
        std::chrono::duration<double> total{};
        for (const StageTime& stage : stageTimes)
            total += stage.took;
        return total;
    }
};

} // namespace zorvane

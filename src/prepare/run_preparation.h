// A run's preparation: the front end's choices and the settings in, the
// checked files and one ready request per port out, or why no run starts.
// Everything is read and checked here, before any port opens.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>
#include <vector>

#include "engine/run_images.h"
#include "engine/run_types.h"
#include "files/platform_config.h"
#include "link/device_identity.h"
#include "link/port_choice.h"
#include "prepare/refusal.h"
#include "prepare/settings.h"
#include "records/flash_record.h"
#include "trust/release.h"

namespace zorvane::prepare {

struct InputChoices {
    std::string platform;     // a platform's name, whose file is read; or
    std::string configFile;   // a configuration file of the operator's own; or
    // the configuration read when the window's platform was chosen.
    std::optional<files::PlatformConfig> chosen;
    std::string manifestFile;        // empty: SHA256SUMS in the working folder, if there is one
    std::string keyringFile;         // empty: trusted.gpg beside the settings, else the system's
    bool requireSignature = false;   // besides the settings' own demand
    bool allowUnsigned = false;      // besides the settings' own leave: an installed keyring takes unsigned files
    // The SHA-256 the firmware may have, in lower case; empty: the settings' list.
    std::vector<std::string> expectFirmware;
    std::optional<std::string> workOrder;      // for the records; none: no order
    std::optional<std::string> operatorName;   // for the records; none: the settings' operator
    std::filesystem::path workingFolder{};   // empty: the current folder
    // Files are named by their full paths in the working folder (the
    // window's, when it works in a folder chosen for it).
    bool fullPaths = false;
};

// What the work order holds the runs to, and what their records name.
struct OrderInPlay {
    std::vector<std::string> firmware;         // the SHA-256 the firmware may have; empty: any
    std::optional<std::string> workOrder;
    std::optional<std::string> operatorName;
};

// The configuration and the release it is held to, read once and checked whole.
struct CheckedInput {
    files::ConfigReading config;
    trust::Release release;
    std::optional<ReleaseInPlay> inPlay;   // none: no manifest in play
    OrderInPlay order{};
};

std::variant<CheckedInput, Refusal> CheckInput(const InputChoices& choices, const Settings& settings,
                                               std::stop_token stop);

// The configuration a platform's choice reads, named as the window shows it;
// or its box.
std::variant<files::ConfigReading, Refusal> ReadPlatform(const files::Platform& platform,
                                                         const std::filesystem::path& workingFolder, bool fullPaths);

// The images read once, held to the manifest and to the firmware the order
// names; or the failure every run of them shows.
std::variant<std::shared_ptr<const RunImages>, RunFailure> ImagesFor(const CheckedInput& input);

// A port a run is asked for.
struct PortTarget {
    link::PortChoice port;          // what the run opens
    std::string shown;              // as the operator named it: 1, 2 or a device path
    link::DeviceIdentity device;    // what is behind it, for the record
};

// "port X is named twice" when two targets are one device; none otherwise.
std::optional<Refusal> RefusedPorts(const std::vector<std::string>& ports, const std::vector<std::string>& devices);

struct PreparedPort {
    RunRequest request;
    RecordOrigin origin;
};

// One request per port, every one with the images read once, so that a file
// changed while a bench starts cannot give two radios different bytes.
// units: one label per port, or none.
std::vector<PreparedPort> PreparePorts(const CheckedInput& input, const std::vector<PortTarget>& targets,
                                       const std::vector<std::string>& units);

} // namespace zorvane::prepare

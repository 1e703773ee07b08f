#include "prepare/run_preparation.h"

#include <algorithm>

#include "engine/work_order.h"
#include "files/text_files.h"
#include "os/account.h"
#include "zorvane_version.h"

namespace zorvane::prepare {

namespace {

// A file as the boxes name it: in the working folder by its full path when asked.
std::string shownName(const InputChoices& choices, const std::string& fileName)
{
    if (!choices.fullPaths || fileName.empty())
        return fileName;
    return std::filesystem::absolute(files::InFolder(choices.workingFolder, fileName)).string();
}

std::string configFileFor(const InputChoices& choices)
{
    if (!choices.configFile.empty())
        return choices.configFile;
    for (const files::Platform& p : files::kPlatforms)
        if (p.name == choices.platform)
            return std::string(p.configFile);
    return {};
}

files::ConfigReading configurationFor(const InputChoices& choices)
{
    if (!choices.chosen)
        return files::parseConfig(configFileFor(choices), choices.workingFolder);
    files::ConfigReading reading;
    reading.result = files::ConfigResult::Loaded;
    reading.config = *choices.chosen;
    return reading;
}

// The run opens the images where the boxes name them.
void nameImagesInFolder(const InputChoices& choices, files::PlatformConfig& config)
{
    for (std::string* file : {&config.bootFile, &config.firmwareFile, &config.eepromFile})
        *file = shownName(choices, *file);
}

// A manifest in the working folder, or the one asked for, holds the run to
// the files it lists; a signature is checked when there is one or when one
// is demanded.
std::variant<trust::Release, Refusal> releaseFor(const InputChoices& choices, const Settings& settings,
                                                 std::stop_token stop)
{
    const trust::ReleaseOptions options{choices.manifestFile,
                                        choices.keyringFile,
                                        settings.folder,
                                        choices.requireSignature || settings.requireSignature,
                                        choices.workingFolder,
                                        std::move(stop),
                                        choices.allowUnsigned || settings.allowUnsigned,
                                        settings.systemKeyring};
    std::variant<trust::Release, std::string> release = trust::LoadRelease(options);
    if (options.stop.stop_requested())
        return StoppedRefusal();
    if (std::string* refused = std::get_if<std::string>(&release))
        return ReleaseRefusal({}, std::move(*refused));
    return std::get<trust::Release>(std::move(release));
}

// The order's firmware and names, the options' before the settings'; a
// value that cannot be used refuses the run as a usage error.
std::variant<OrderInPlay, Refusal> orderFor(const InputChoices& choices, const Settings& settings)
{
    OrderInPlay order{choices.expectFirmware, choices.workOrder, choices.operatorName};
    if (order.firmware.empty()) {
        auto listed = ExpectedFirmwareList("ExpectFirmware in [Files] of " + settings.file, settings.expectFirmware);
        if (std::string* refused = std::get_if<std::string>(&listed))
            return UsageRefusal(std::move(*refused));
        order.firmware = std::get<std::vector<std::string>>(std::move(listed));
    }
    std::string operatorGiven = "--operator";
    if (!order.operatorName && !settings.operatorName.empty()) {
        order.operatorName = settings.operatorName;
        operatorGiven = "Operator in [Bench] of " + settings.file;
    }
    std::optional<std::string> problem = order.workOrder ? OrderFieldProblem("--work-order", *order.workOrder)
                                                         : std::nullopt;
    if (!problem && order.operatorName)
        problem = OrderFieldProblem(operatorGiven, *order.operatorName);
    if (problem)
        return UsageRefusal(std::move(*problem));
    return order;
}

} // namespace

std::variant<CheckedInput, Refusal> CheckInput(const InputChoices& choices, const Settings& settings,
                                               std::stop_token stop)
{
    files::ConfigReading config = configurationFor(choices);
    if (!config.loaded())
        return ConfigurationRefusal(config.result,
                                    shownName(choices, config.config.configFile), config.cause);
    std::variant<OrderInPlay, Refusal> order = orderFor(choices, settings);
    if (Refusal* refused = std::get_if<Refusal>(&order))
        return std::move(*refused);
    std::variant<trust::Release, Refusal> release = releaseFor(choices, settings, std::move(stop));
    if (Refusal* refused = std::get_if<Refusal>(&release))
        return std::move(*refused);
    CheckedInput input{std::move(config), std::get<trust::Release>(std::move(release)), std::nullopt,
                       std::get<OrderInPlay>(std::move(order))};
    if (input.release.manifest) {
        input.inPlay = ReleaseInPlay{input.release.manifest, input.release.signedBy};
        const files::PlatformConfig& read = input.config.config;
        if (std::optional<files::ManifestProblem> problem =
                input.release.manifest->problemWith(read.configFile, read.configSha256))
            return ReleaseRefusal(shownName(choices, read.configFile), std::move(problem->text));
    }
    nameImagesInFolder(choices, input.config.config);
    return input;
}

std::variant<files::ConfigReading, Refusal> ReadPlatform(const files::Platform& platform,
                                                         const std::filesystem::path& workingFolder, bool fullPaths)
{
    InputChoices choices;
    choices.configFile = std::string(platform.configFile);
    choices.workingFolder = workingFolder;
    choices.fullPaths = fullPaths;
    files::ConfigReading reading = configurationFor(choices);
    if (!reading.loaded())
        return ConfigurationRefusal(reading.result,
                                    shownName(choices, reading.config.configFile), reading.cause);
    return reading;
}

std::optional<Refusal> RefusedPorts(const std::vector<std::string>& ports, const std::vector<std::string>& devices)
{
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        // Two names for one device (a link, "1" and /dev/ttyS0) are one port.
        std::error_code ec;
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(devices[i], ec);
        const std::string device = ec ? devices[i] : canonical.string();
        if (std::find(seen.begin(), seen.end(), device) != seen.end())
            return UsageRefusal("port " + ports[i] + " is named twice");
        seen.push_back(device);
    }
    return std::nullopt;
}

std::variant<std::shared_ptr<const RunImages>, RunFailure> ImagesFor(const CheckedInput& input)
{
    auto read = ReadRunImages(input.config.config, input.inPlay ? input.inPlay->manifest.get() : nullptr);
    if (const auto* images = std::get_if<std::shared_ptr<const RunImages>>(&read))
        if (std::optional<RunFailure> refused = NotExpectedFirmware((*images)->firmware, input.order.firmware))
            return std::move(*refused);
    return read;
}

std::vector<PreparedPort> PreparePorts(const CheckedInput& input, const std::vector<PortTarget>& targets,
                                       const std::vector<std::string>& units)
{
    const std::string host = os::HostName();
    const auto imagesRead = std::make_shared<const RunImagesRead>(RunImagesRead{ImagesFor(input)});
    std::vector<PreparedPort> prepared;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const PortTarget& target = targets[i];
        RecordOrigin origin{host, RecordUser(), kVersion, target.shown, target.device,
                            i < units.size() ? std::optional(units[i]) : std::nullopt};
        origin.workOrder = input.order.workOrder;
        origin.operatorName = input.order.operatorName;
        prepared.push_back({RunRequest{target.port, input.config.config, input.inPlay, imagesRead}, std::move(origin)});
    }
    return prepared;
}

} // namespace zorvane::prepare

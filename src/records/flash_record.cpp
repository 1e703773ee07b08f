#include "records/flash_record.h"

#include <array>
#include <filesystem>

#include "engine/run_images.h"
#include "files/hex_text.h"
#include "os/account.h"
#include "os/append_file.h"
#include "os/utc_time.h"
#include "records/fault_json.h"
#include "records/json_line.h"

namespace zorvane {

namespace {

using Json = nlohmann::ordered_json;

Json orNull(const std::string& text)
{
    return text.empty() ? Json() : Json(text);
}

Json fileFields(const files::FileContent& file)
{
    return Json::object({{"file", file.fileName}, {"size", file.bytes.size()}, {"sha256", file.sha256}});
}

// An image the run read: the file, and the data as they went to the radio.
Json imageJson(const files::Image& image)
{
    Json json = fileFields(image.file);
    json["data_bytes"] = image.dataBytes;
    json["data_sha256"] = image.dataSha256;
    json["blocks"] = image.blocks.size();
    return json;
}

Json bootJson(const files::BootImage& boot)
{
    Json json = fileFields(boot.file);
    json["data_bytes"] = boot.data.size();
    json["data_sha256"] = boot.dataSha256;
    json["blocks"] = nullptr;
    return json;
}

// An image the run never read (it stopped before): only its name.
Json unreadJson(const std::string& fileName)
{
    if (fileName.empty())
        return nullptr;
    return Json::object({{"file", fileName}, {"size", nullptr}, {"sha256", nullptr}, {"data_bytes", nullptr},
                         {"data_sha256", nullptr}, {"blocks", nullptr}});
}

// The release manifest the run was held to, and who signed it.
Json manifestJson(const ReleaseInPlay& release)
{
    return Json::object({{"file", release.manifest->fileName},
                         {"sha256", release.manifest->sha256},
                         {"signed_by", orNull(release.signedBy)}});
}

Json imagesJson(const files::PlatformConfig& config, const RunImages* images)
{
    if (images == nullptr)
        return Json::object({{"boot", unreadJson(config.bootFile)},
                             {"eeprom", unreadJson(config.eepromFile)},
                             {"firmware", unreadJson(config.firmwareFile)}});
    return Json::object({{"boot", bootJson(images->boot)},
                         {"eeprom", images->eeprom ? imageJson(*images->eeprom) : Json()},
                         {"firmware", imageJson(images->firmware)}});
}

Json outcomeJson(const RunReport& report)
{
    return Json::object({{"stage", OutcomeName(report.outcome)},
                         {"message", report.message ? Json(report.message->text) : Json()},
                         {"cause", report.cause},
                         {"fault", FaultJson(report.fault)}});
}

// The radio's answers, hex as the radio sends them; null until their stage succeeded.
void resultFields(Json& json, const RunReport& report)
{
    const auto hex = [](const auto& bytes) { return bytes ? Json(files::HexBytes(*bytes)) : Json(); };
    std::optional<std::array<std::uint8_t, 2>> bootChecksum;
    if (report.bootChecksum)
        bootChecksum = std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(*report.bootChecksum >> 8),
                                                  static_cast<std::uint8_t>(*report.bootChecksum & 0xFF)};
    std::optional<std::array<std::uint8_t, 1>> config;
    if (report.configValue)
        config = std::array<std::uint8_t, 1>{*report.configValue};
    json["config"] = hex(config);
    json["boot_version"] = hex(report.bootVersionBytes);
    json["boot_checksum"] = hex(bootChecksum);
    json["eeprom_checksum"] = hex(report.eepromChecksum);
    json["firmware_checksum"] = hex(report.firmwareChecksum);
}

} // namespace

const char* OutcomeName(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Success: return "success";
    case RunOutcome::NoPlatform: return "no-platform";
    case RunOutcome::PortFailed: return "port";
    case RunOutcome::SerialFailed: return "serial";
    case RunOutcome::BootFailed: return "boot";
    case RunOutcome::ConfigFailed: return "config";
    case RunOutcome::EepromFailed: return "eeprom";
    case RunOutcome::FlashFailed: return "flash";
    case RunOutcome::Cancelled: return "cancelled";
    case RunOutcome::InternalError: return "internal";
    }
    return "internal";
}

Json FlashRecord(const std::string& id, const RunRequest& request, const RunReport& report, const RecordOrigin& origin,
                 std::chrono::system_clock::time_point time)
{
    const files::PlatformConfig config = request.platform.value_or(files::PlatformConfig{});
    Json json = Json::object({{"schema", kFlashRecordSchema}, {"id", id}, {"time", os::UtcText(time)}});
    json["host"] = origin.host;
    json["user"] = origin.user;
    json["version"] = origin.version;
    json["port"] = origin.port;
    json["device"] = orNull(origin.device.path);
    json["device_by_id"] = orNull(origin.device.byId);
    json["usb_serial"] = orNull(origin.device.usbSerial);
    json["unit"] = origin.unit ? Json(*origin.unit) : Json();
    json["station"] = origin.station ? Json(*origin.station) : Json();
    json["shift"] = origin.shift ? Json(*origin.shift) : Json();
    json["operator"] = origin.operatorName ? Json(*origin.operatorName) : Json();
    json["work_order"] = origin.workOrder ? Json(*origin.workOrder) : Json();
    json["config_file"] = config.configFile;
    json["config_sha256"] = orNull(config.configSha256);
    json["images"] = imagesJson(config, report.images.get());
    json["manifest"] = request.release ? manifestJson(*request.release) : Json();
    resultFields(json, report);
    json["outcome"] = outcomeJson(report);
    json["duration_s"] = JsonSeconds(origin.shift ? report.duration() - report.untilReset : report.duration());
    json["blocks"] = report.counts.blocks;
    json["resends"] = report.counts.resends;
    json["line_errors"] = report.counts.lineErrors;
    return json;
}

std::string RecordUser()
{
    return os::UserName();
}

std::string DefaultFlashRecordPath()
{
    return (os::DataFolder() / "zorvane" / "flash-records.jsonl").string();
}

std::optional<std::string> AppendFlashRecord(const std::string& path, const std::string& line)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return os::AppendSynced(path, line + "\n");
}

} // namespace zorvane

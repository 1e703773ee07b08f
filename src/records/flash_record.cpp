#include "records/flash_record.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <span>

#include "engine/run_images.h"
#include "files/hex_text.h"
#include "files/shown_text.h"
#include "os/account.h"
#include "os/append_file.h"
#include "os/utc_time.h"

namespace zorvane {

// A byte that is not UTF-8 (a file name in another encoding) becomes U+FFFD;
// DEL and the C1 controls are escaped like the C0 ones.
std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (files::IsC1Control(text, at)) {   // exact, and no reader's terminal takes it raw
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x",
                          static_cast<unsigned>(static_cast<unsigned char>(text[at + 1])));
            out += escaped;
            at += 2;
            continue;
        }
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t length = files::Utf8SequenceLength(text, at);
            out += length > 0 ? std::string(text.substr(at, length)) : "\\ufffd";
            at += length > 0 ? length : 1;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
        ++at;
    }
    return out + "\"";
}

namespace {

std::string field(std::string_view name, const std::string& json)
{
    return JsonString(name) + ":" + json;
}

std::string orNull(const std::string& text)
{
    return text.empty() ? "null" : JsonString(text);
}

std::string fileFields(const files::FileContent& file)
{
    return field("file", JsonString(file.fileName)) + "," + field("size", std::to_string(file.bytes.size())) + "," +
           field("sha256", JsonString(file.sha256));
}

// An image the run read: the file, and the data as they went to the radio.
std::string imageJson(const files::Image& image)
{
    return "{" + fileFields(image.file) + "," + field("data_bytes", std::to_string(image.dataBytes)) + "," +
           field("data_sha256", JsonString(image.dataSha256)) + "," +
           field("blocks", std::to_string(image.blocks.size())) + "}";
}

std::string bootJson(const files::BootImage& boot)
{
    return "{" + fileFields(boot.file) + "," + field("data_bytes", std::to_string(boot.data.size())) + "," +
           field("data_sha256", JsonString(boot.dataSha256)) + "," + field("blocks", "null") + "}";
}

// An image the run never read (it stopped before): only its name.
std::string unreadJson(const std::string& fileName)
{
    if (fileName.empty())
        return "null";
    return "{" + field("file", JsonString(fileName)) + "," + field("size", "null") + "," + field("sha256", "null") +
           "," + field("data_bytes", "null") + "," + field("data_sha256", "null") + "," + field("blocks", "null") + "}";
}

// The release manifest the run was held to, and who signed it.
std::string manifestJson(const ReleaseInPlay& release)
{
    return "{" + field("file", JsonString(release.manifest->fileName)) + "," +
           field("sha256", JsonString(release.manifest->sha256)) + "," + field("signed_by", orNull(release.signedBy)) +
           "}";
}

std::string imagesJson(const files::PlatformConfig& config, const RunImages* images)
{
    if (images == nullptr)
        return "{" + field("boot", unreadJson(config.bootFile)) + "," + field("eeprom", unreadJson(config.eepromFile)) +
               "," + field("firmware", unreadJson(config.firmwareFile)) + "}";
    return "{" + field("boot", bootJson(images->boot)) + "," +
           field("eeprom", images->eeprom ? imageJson(*images->eeprom) : "null") + "," +
           field("firmware", imageJson(images->firmware)) + "}";
}

// A JSON number whatever the process's locale (the window's may write a
// decimal comma).
std::string secondsJson(std::chrono::duration<double> took)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, took.count(), std::chars_format::fixed, 3);
    return std::string(text, written.ptr);
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

std::string FlashRecordJson(const std::string& id, const RunRequest& request, const RunReport& report,
                            const RecordOrigin& origin, std::chrono::system_clock::time_point time)
{
    const files::PlatformConfig config = request.platform.value_or(files::PlatformConfig{});
    const auto hex = [](const auto& bytes) { return JsonString(files::HexBytes(bytes)); };
    const auto optionalHex = [&](std::string_view name, const auto& bytes) {
        return field(name, bytes ? hex(*bytes) : "null");
    };
    std::optional<std::array<std::uint8_t, 2>> bootChecksum;
    if (report.bootChecksum)
        bootChecksum = std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(*report.bootChecksum >> 8),
                                                  static_cast<std::uint8_t>(*report.bootChecksum & 0xFF)};

    std::string json = "{";
    json += field("schema", std::to_string(kFlashRecordSchema)) + ",";
    json += field("id", JsonString(id)) + ",";
    json += field("time", JsonString(os::UtcText(time))) + ",";
    json += field("host", JsonString(origin.host)) + ",";
    json += field("user", JsonString(origin.user)) + ",";
    json += field("version", JsonString(origin.version)) + ",";
    json += field("port", JsonString(origin.port)) + ",";
    json += field("device", orNull(origin.device.path)) + ",";
    json += field("device_by_id", orNull(origin.device.byId)) + ",";
    json += field("usb_serial", orNull(origin.device.usbSerial)) + ",";
    json += field("unit", origin.unit ? JsonString(*origin.unit) : "null") + ",";
    json += field("config_file", JsonString(config.configFile)) + ",";
    json += field("config_sha256", orNull(config.configSha256)) + ",";
    json += field("images", imagesJson(config, report.images.get())) + ",";
    json += field("manifest", request.release ? manifestJson(*request.release) : "null") + ",";
    json += field("config", report.configValue ? hex(std::array<std::uint8_t, 1>{*report.configValue}) : "null") + ",";
    json += optionalHex("boot_version", report.bootVersionBytes) + ",";
    json += optionalHex("boot_checksum", bootChecksum) + ",";
    json += optionalHex("eeprom_checksum", report.eepromChecksum) + ",";
    json += optionalHex("firmware_checksum", report.firmwareChecksum) + ",";
    json += field("outcome", "{" + field("stage", JsonString(OutcomeName(report.outcome))) + "," +
                                 field("message", report.message ? JsonString(report.message->text) : "null") + "," +
                                 field("cause", JsonString(report.cause)) + "}") + ",";
    json += field("duration_s", secondsJson(report.duration())) + ",";
    json += field("blocks", std::to_string(report.counts.blocks)) + ",";
    json += field("resends", std::to_string(report.counts.resends)) + ",";
    json += field("line_errors", std::to_string(report.counts.lineErrors));
    return json + "}";
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

#include "engine/flash_record.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "engine/hex_text.h"
#include "files/sha256.h"

namespace zorvane {

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t utf8Length(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80;   // the second byte's range excludes overlong forms and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

// A JSON string: quotes, backslashes and control characters escaped, and a
// byte that is not UTF-8 (a file name in another encoding) as U+FFFD.
std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t length = utf8Length(text, at);
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
            if (static_cast<unsigned char>(c) < 0x20) {
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

std::string field(std::string_view name, const std::string& json)
{
    return jsonString(name) + ":" + json;
}

template <typename T, typename Show>
std::string optionalField(std::string_view name, const std::optional<T>& value, Show show)
{
    return field(name, value ? jsonString(show(*value)) : "null");
}

std::string image(const std::string& fileName)
{
    if (fileName.empty())
        return "null";
    const std::optional<files::FileDigest> digest = files::DigestFile(fileName);
    return "{" + field("file", jsonString(fileName)) + "," +
           field("size", digest ? std::to_string(digest->size) : "null") + "," +
           field("sha256", digest ? jsonString(digest->sha256) : "null") + "}";
}

std::string utcText(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string secondsJson(std::chrono::duration<double> took)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", took.count());
    return text;
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

std::string FlashRecordJson(const RunRequest& request, const RunReport& report, const RecordOrigin& origin,
                            std::chrono::system_clock::time_point time)
{
    const files::PlatformConfig config = request.platform.value_or(files::PlatformConfig{});

    std::string json = "{";
    json += field("time", jsonString(utcText(time))) + ",";
    json += field("host", jsonString(origin.host)) + ",";
    json += field("user", jsonString(origin.user)) + ",";
    json += field("version", jsonString(origin.version)) + ",";
    json += field("port", jsonString(origin.device)) + ",";
    json += field("config_file", jsonString(config.configFile)) + ",";
    json += field("images", "{" + field("boot", image(config.bootFile)) + "," +
                                field("eeprom", image(config.eepromFile)) + "," +
                                field("firmware", image(config.firmwareFile)) + "}") + ",";
    json += field("config", config.configVal.empty() ? "null" : jsonString("$" + config.configVal)) + ",";
    json += optionalField("boot_version", report.bootVersion, [](const std::string& v) { return "R" + v; }) + ",";
    json += optionalField("boot_checksum", report.bootChecksum, [](std::uint16_t v) { return "$" + HexText(v); }) + ",";
    json += optionalField("eeprom_checksum", report.eepromChecksum, ChecksumText) + ",";
    json += optionalField("firmware_checksum", report.firmwareChecksum, ChecksumText) + ",";
    json += field("outcome", "{" + field("stage", jsonString(OutcomeName(report.outcome))) + "," +
                                 field("message", report.message ? jsonString(report.message->text) : "null") + "," +
                                 field("cause", jsonString(report.cause)) + "}") + ",";
    json += field("duration_s", secondsJson(report.duration())) + ",";
    json += field("blocks", std::to_string(report.counts.blocks)) + ",";
    json += field("resends", std::to_string(report.counts.resends)) + ",";
    json += field("line_errors", std::to_string(report.counts.lineErrors));
    return json + "}";
}

std::string RecordUser()
{
    for (const char* name : {"USER", "LOGNAME", "USERNAME"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0')
            return value;
    return {};
}

std::string DefaultFlashRecordPath()
{
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    std::filesystem::path data = env("XDG_DATA_HOME");
#ifdef _WIN32
    if (data.empty())
        data = env("APPDATA");
#endif
    if (data.empty())
        data = std::filesystem::path(env("HOME")) / ".local" / "share";
    return (data / "zorvane" / "flash-records.jsonl").string();
}

namespace {

#ifdef _WIN32

// The C library's append mode seeks to the end and then writes, and not
// every Windows file system appends atomically even to a handle opened for
// appending alone: the record is written under a lock on the whole file,
// which other processes' appends wait for.
std::optional<std::string> appendRecord(const std::string& path, const std::string& record)
{
    const HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot open " + path + " (Windows error " + std::to_string(::GetLastError()) + ")";
    OVERLAPPED whole{};
    const bool locked = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    DWORD written = 0;
    const bool done = locked &&
                      ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
                      written == record.size();
    const DWORD error = ::GetLastError();
    if (locked)
        ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    ::CloseHandle(file);
    if (!done)
        return "cannot write " + path + " (Windows error " + std::to_string(error) + ")";
    return std::nullopt;
}

#else

std::optional<std::string> appendRecord(const std::string& path, const std::string& record)
{
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr)
        return "cannot open " + path + ": " + std::strerror(errno);
    // A buffer that holds the whole record: the flush below is its one write
    // on a file opened for appending, which the system makes atomic.
    std::vector<char> buffer(record.size() + 1);
    std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    int error = 0;
    if (std::fwrite(record.data(), 1, record.size(), file) != record.size() || std::fflush(file) != 0)
        error = errno;
    if (std::fclose(file) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return "cannot write " + path + ": " + std::strerror(error);
    return std::nullopt;
}

#endif

} // namespace

std::optional<std::string> AppendFlashRecord(const std::string& path, const std::string& line)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return appendRecord(path, line + "\n");
}

} // namespace zorvane

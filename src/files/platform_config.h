// The three radio platforms and the reader of their configuration files.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane::files {

struct Platform {
    std::string_view name;        // as the flasher's --platform names it
    std::string_view configFile;  // bare name, looked up in the working folder
};

// In the order the window lists them.
inline constexpr std::array<Platform, 3> kPlatforms{{
    {"pellamar", "pellamar.cfg"},
    {"tessivar", "tessivar.cfg"},
    {"other", "default.cfg"},
}};

// What a platform's configuration file names: the three images and the
// CONFIG byte.
struct PlatformConfig {
    std::string configFile;
    std::string bootFile;
    std::string firmwareFile;
    std::string eepromFile;         // empty: the platform has no EEPROM stage
    std::string configVal;          // CONFIG value as two upper-case hex digits
    std::uint8_t configValHex = 0;  // CONFIG value as the byte sent to the radio
    std::string configSha256{};     // of the configuration file's bytes as they were read
    std::filesystem::path folder{};   // where the files are; empty: the current folder
};

// How reading a configuration file went. The first three are the reader's
// own results; a file that exists but cannot be opened or read is told apart
// from them so that the window can say so.
enum class ConfigResult {
    Loaded = 1,      // all required entries present and valid
    Incomplete = 2,  // an entry missing or the CONFIG value invalid
    Missing = 3,     // no file of that name
    Unreadable = 4,  // the file exists but could not be read
};

struct ConfigReading {
    ConfigResult result = ConfigResult::Missing;
    PlatformConfig config;   // complete only when result is Loaded
    std::string cause;       // what is wrong, with file and line, when not Loaded
    // Lines that look like "key: value" with a key the reader does not know;
    // they are ignored, as every line that is not a key is.
    std::vector<std::string> warnings;
    bool loaded() const { return result == ConfigResult::Loaded; }
};

// Reads a configuration file ("boot:", "srecord:", "eeprom:" and "config:"
// lines, each with one value) in the folder a run works in (none: the
// current one); the images it names are in that folder too.
ConfigReading parseConfig(const std::string& configFile, const std::filesystem::path& folder = {});

// Trims spaces, turns tabs into spaces, collapses runs of spaces and splits
// the line at each space.
std::vector<std::string> SplitConfigLine(std::string_view line);

} // namespace zorvane::files

#include "files/platform_config.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>
#include <vector>

#include "files/sha256.h"
#include "files/srecord.h"
#include "files/text_files.h"

namespace zorvane::files {

namespace {

bool isUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

constexpr std::array<std::string_view, 4> kKeys{"boot:", "srecord:", "eeprom:", "config:"};

// Edits (insertions, deletions, changes) that turn a into b.
std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i - 1])));
            const char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j - 1])));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x == y ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A line that looks like an entry but names no key: most likely a typo.
std::string unknownKeyWarning(const std::string& key)
{
    const std::string_view name = std::string_view(key).substr(0, key.size() - 1);
    std::string warning = "unknown key \"" + std::string(name) + "\"";
    for (std::string_view known : kKeys)
        if (editDistance(name, known.substr(0, known.size() - 1)) <= 2)
            return warning + " (did you mean \"" + std::string(known.substr(0, known.size() - 1)) + "\"?)";
    return warning;
}

// The line each key was last read from, for the cause of a failure, and the
// first value that cannot be used at all.
struct KeyLines {
    long config = 0;
    std::string refused;
};

// A control character in a value: a NUL would cut the file name where the
// system opens it, others would reach terminals and records raw.
std::optional<char> controlCharacterIn(const std::string& value)
{
    for (char c : value)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F')
            return c;
    return std::nullopt;
}

// The configuration text up to a DOS end-of-file character that ends a line
// or stands on one of its own, as files from older tools have.
std::string_view beforeDosEnd(std::string_view text)
{
    for (std::size_t at = text.find('\x1A'); at != std::string_view::npos; at = text.find('\x1A', at + 1))
        if (at + 1 == text.size() || text[at + 1] == '\r' || text[at + 1] == '\n')
            return text.substr(0, at);
    return text;
}

void storeEntry(PlatformConfig& config, const std::vector<std::string>& fields, long line, KeyLines& lines,
                std::vector<std::string>& warnings)
{
    const std::string& key = fields[0];
    const std::string& value = fields[1];
    const bool known = std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end();
    if (const std::optional<char> control = controlCharacterIn(value); known && control && lines.refused.empty()) {
        lines.refused = config.configFile + " line " + std::to_string(line) + ": the " +
                        key.substr(0, key.size() - 1) + " value holds character $" +
                        HexByteText(static_cast<unsigned char>(*control));
    }
    if (key == "boot:") {
        config.bootFile = value;
    } else if (key == "srecord:") {
        config.firmwareFile = value;
    } else if (key == "eeprom:") {
        config.eepromFile = value;
    } else if (key == "config:") {
        config.configVal = value;
        lines.config = line;
    } else if (key.size() > 1 && key.back() == ':') {
        warnings.push_back(config.configFile + " line " + std::to_string(line) + ": " + unknownKeyWarning(key));
    }
}

ConfigResult decide(PlatformConfig& config, const KeyLines& lines, std::string& cause)
{
    if (!lines.refused.empty()) {
        cause = lines.refused;
        return ConfigResult::Incomplete;
    }
    for (const auto& [value, key] : {std::pair{&config.bootFile, "boot:"}, std::pair{&config.firmwareFile, "srecord:"},
                                     std::pair{&config.configVal, "config:"}})
        if (value->empty()) {
            cause = config.configFile + ": no \"" + key + "\" line";
            return ConfigResult::Incomplete;
        }
    const std::string where = config.configFile + " line " + std::to_string(lines.config) + ": ";
    if (config.configVal.size() != 2) {
        cause = where + "the config value \"" + config.configVal + "\" is not two hexadecimal digits";
        return ConfigResult::Incomplete;
    }
    const std::string written = config.configVal;
    for (char& c : config.configVal)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    if (!isUpperHexDigit(config.configVal[0]) || !isUpperHexDigit(config.configVal[1])) {
        cause = where + "the config value \"" + written + "\" is not two hexadecimal digits";
        return ConfigResult::Incomplete;
    }
    config.configValHex = static_cast<std::uint8_t>(
        Ascii2Dec(static_cast<std::uint8_t>(config.configVal[0]),
                  static_cast<std::uint8_t>(config.configVal[1])));
    return ConfigResult::Loaded;
}

} // namespace

std::vector<std::string> SplitConfigLine(std::string_view line)
{
    // Only spaces are trimmed; a leading tab becomes a leading space below,
    // which makes field 0 empty.
    auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {""};
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);

    std::vector<std::string> fields(1);
    bool lastWasSpace = false;
    for (char c : line) {
        bool space = (c == ' ' || c == '\t');
        if (space && !lastWasSpace)
            fields.emplace_back();
        else if (!space)
            fields.back().push_back(c);
        lastWasSpace = space;
    }
    return fields;
}

ConfigReading parseConfig(const std::string& configFile, const std::filesystem::path& folder)
{
    ConfigReading reading;
    reading.config.configFile = configFile;
    reading.config.folder = folder;
    std::variant<std::string, FileFault> read = ReadFile(InFolder(folder, configFile), configFile);
    if (const FileFault* fault = std::get_if<FileFault>(&read)) {
        reading.result = fault->absent() ? ConfigResult::Missing : ConfigResult::Unreadable;
        reading.cause = fault->text;
        return reading;
    }
    std::string& bytes = std::get<std::string>(read);
    reading.config.configSha256 = Sha256Hex(bytes);
    TextStream stream = TextStream::FromText(configFile, std::string(beforeDosEnd(bytes)));
    KeyLines lines;
    while (!stream.AtEndOfStream()) {
        const long line = stream.Line();
        std::vector<std::string> fields = SplitConfigLine(stream.ReadLine());
        if (fields.size() >= 2)
            storeEntry(reading.config, fields, line, lines, reading.warnings);
    }
    reading.result = decide(reading.config, lines, reading.cause);
    return reading;
}

} // namespace zorvane::files

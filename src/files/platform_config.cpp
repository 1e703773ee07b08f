#include "files/platform_config.h"

#include <vector>

#include "files/srecord.h"
#include "files/text_files.h"

namespace zorvane::files {

namespace {

constexpr char kQuote = '"';

std::string quoted(std::string_view prefix, const std::string& name)
{
    return std::string(prefix) + kQuote + name + kQuote;
}

bool isUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

void storeEntry(PlatformConfig& config, const std::vector<std::string>& fields)
{
    const std::string& key = fields[0];
    const std::string& value = fields[1];
    if (key == "boot:")
        config.bootFile = value;
    else if (key == "srecord:")
        config.firmwareFile = value;
    else if (key == "eeprom:")
        config.eepromFile = value;
    else if (key == "config:")
        config.configVal = value;
}

ConfigResult decide(PlatformConfig& config)
{
    if (config.configVal.empty() || config.bootFile.empty() || config.firmwareFile.empty())
        return ConfigResult::Incomplete;
    if (config.configVal.size() != 2)
        return ConfigResult::Incomplete;
    for (char& c : config.configVal)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    if (!isUpperHexDigit(config.configVal[0]) || !isUpperHexDigit(config.configVal[1]))
        return ConfigResult::Incomplete;
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

ConfigFailure ConfigFailureMessage(ConfigResult result, const std::string& configFile)
{
    constexpr const char* kHint = "\rSee Help for configuration file format.";
    switch (result) {
    case ConfigResult::Incomplete:
        return {"Error reading from File: " + configFile + kHint, "Error"};
    case ConfigResult::Missing:
        return {"File: " + configFile + " DOES NOT exist." + kHint, "Error"};
    default:
        return {"Error reading configuraion file", "Error"};
    }
}

ConfigReading parseConfig(const std::string& configFile)
{
    ConfigReading reading;
    reading.config.configFile = configFile;
    if (!FileExists(configFile)) {
        reading.result = ConfigResult::Missing;
        return reading;
    }

    try {
        TextStream stream = TextStream::OpenTextFile(configFile);
        while (!stream.AtEndOfStream()) {
            std::vector<std::string> fields = SplitConfigLine(stream.ReadLine());
            if (fields.size() >= 2)
                storeEntry(reading.config, fields);
        }
        reading.result = decide(reading.config);
        stream.Close();
    } catch (const TextFileError&) {
        reading.result = ConfigResult::Unreadable;
    }
    return reading;
}

FileLabels LabelsFor(const PlatformConfig& config)
{
    FileLabels labels;
    labels.boot = quoted("Boot File: ", config.bootFile);
    labels.firmware = quoted("Firmware File: ", config.firmwareFile);
    if (!config.eepromFile.empty())
        labels.eeprom = quoted("EEPROM File: ", config.eepromFile);
    return labels;
}

} // namespace zorvane::files

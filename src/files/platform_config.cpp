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

void storeEntry(FlashRunState& state, const std::vector<std::string>& fields)
{
    const std::string& key = fields[0];
    const std::string& value = fields[1];
    if (key == "boot:")
        state.gbootFile = value;
    else if (key == "srecord:")
        state.gfirmwareFile = value;
    else if (key == "eeprom:")
        state.geepromFile = value;
    else if (key == "config:")
        state.gconfigVal = value;
}

ConfigResult decide(FlashRunState& state)
{
    if (state.gconfigVal.empty() || state.gbootFile.empty() || state.gfirmwareFile.empty())
        return ConfigResult::Incomplete;
    if (state.gconfigVal.size() != 2)
        return ConfigResult::Incomplete;
    for (char& c : state.gconfigVal)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    if (!isUpperHexDigit(state.gconfigVal[0]) || !isUpperHexDigit(state.gconfigVal[1]))
        return ConfigResult::Incomplete;
    state.gconfigValHex = static_cast<std::uint8_t>(
        Ascii2Dec(static_cast<std::uint8_t>(state.gconfigVal[0]),
                  static_cast<std::uint8_t>(state.gconfigVal[1])));
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

ConfigResult parseConfig(FlashRunState& state, FileLabels& labels)
{
    state.gbootFile.clear();
    state.gconfigVal.clear();
    state.geepromFile.clear();
    state.gfirmwareFile.clear();

    if (!FileExists(state.gconfigFile))
        return ConfigResult::Missing;

    ConfigResult result;
    try {
        TextStream stream = TextStream::OpenTextFile(state.gconfigFile);
        while (!stream.AtEndOfStream()) {
            std::vector<std::string> fields = SplitConfigLine(stream.ReadLine());
            if (fields.size() >= 2)
                storeEntry(state, fields);
        }
        result = decide(state);
        stream.Close();
    } catch (const TextFileError&) {
        return ConfigResult::Unreadable;
    }

    if (result == ConfigResult::Loaded) {
        labels.boot = quoted("Boot File: ", state.gbootFile);
        labels.firmware = quoted("Firmware File: ", state.gfirmwareFile);
        labels.eeprom = state.geepromFile.empty() ? std::string("EEPROM File:")
                                                  : quoted("EEPROM File: ", state.geepromFile);
    }
    return result;
}

} // namespace zorvane::files

#include "engine/file_labels.h"

namespace zorvane {

namespace {

std::string quoted(std::string_view prefix, const std::string& name)
{
    constexpr char kQuote = '"';
    return std::string(prefix) + kQuote + name + kQuote;
}

} // namespace

FileLabels LabelsFor(const files::PlatformConfig& config)
{
    FileLabels labels;
    labels.boot = quoted("Boot File: ", config.bootFile);
    labels.firmware = quoted("Firmware File: ", config.firmwareFile);
    if (!config.eepromFile.empty())
        labels.eeprom = quoted("EEPROM File: ", config.eepromFile);
    return labels;
}

} // namespace zorvane

// The captions of the three file labels of the "FLASH Data" frame, which
// the flasher prints too.
#pragma once

#include <string>

#include "files/platform_config.h"

namespace zorvane {

struct FileLabels {
    std::string boot = "Boot File:";
    std::string firmware = "Firmware File:";
    std::string eeprom = "EEPROM File:";
};

// The captions once a platform's file has loaded.
FileLabels LabelsFor(const files::PlatformConfig& config);

} // namespace zorvane

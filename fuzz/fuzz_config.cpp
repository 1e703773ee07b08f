// parseConfig over arbitrary files: a defined result every time.
#include <cstdio>

#include "engine/file_labels.h"
#include "files/platform_config.h"
#include "fuzz_file.h"

using namespace zorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = WriteFuzzFile(".cfg", data, size);
    const files::ConfigReading reading = files::parseConfig(file);
    if (reading.loaded() && reading.config.configVal.size() != 2)
        std::abort();
    std::remove(file.c_str());
    const FileLabels labels = LabelsFor(reading.config);
    return static_cast<int>(labels.boot.size() + reading.config.bootFile.size()) < 0 ? 1 : 0;
}

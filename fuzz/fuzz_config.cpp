// parseConfig over arbitrary files: a defined result every time.
#include <cstdio>

#include "files/platform_config.h"
#include "fuzz_file.h"

using namespace zorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FlashRunState state;
    state.gconfigFile = WriteFuzzFile(".cfg", data, size);
    files::FileLabels labels;
    const files::ConfigResult result = files::parseConfig(state, labels);
    if (result == files::ConfigResult::Loaded && state.gconfigVal.size() != 2)
        std::abort();
    std::remove(state.gconfigFile.c_str());
    return static_cast<int>(labels.boot.size() + state.gbootFile.size()) < 0 ? 1 : 0;
}

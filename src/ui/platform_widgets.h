// Each platform's option button and picture in the main window, in the
// order of the platforms.
#pragma once

#include <array>
#include <string_view>

#include "files/platform_config.h"

namespace zorvane::ui {

struct PlatformWidgets {
    std::string_view button;    // option button's objectName
    std::string_view picture;   // picture box shown once the file has loaded
};

inline constexpr std::array<PlatformWidgets, 3> kPlatformWidgets{{
    {"optPellamar", "picPellamar"},
    {"optTessivar", "picTessivar"},
    {"optOther", "picDefault"},
}};
static_assert(kPlatformWidgets.size() == files::kPlatforms.size());

} // namespace zorvane::ui

#include "os/account.h"

#include <cstdlib>

namespace zorvane::os {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::string UserName()
{
    for (const char* name : {"USER", "LOGNAME", "USERNAME"})
        if (std::string value = environment(name); !value.empty())
            return value;
    return AccountName();
}

std::filesystem::path DataFolder()
{
    std::filesystem::path data = environment("XDG_DATA_HOME");
#ifdef _WIN32
    if (data.empty())
        data = environment("APPDATA");
#endif
    if (data.empty())
        data = std::filesystem::path(environment("HOME")) / ".local" / "share";
    return data;
}

} // namespace zorvane::os

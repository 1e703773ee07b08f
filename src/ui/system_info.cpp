#include "ui/system_info.h"

#include <cstdio>
#include <cstring>

namespace zorvane::ui {

namespace {

constexpr long kSuccess = 0;
const char* const kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const kMsinfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char* const kMsinfoProgram = "\\MSINFO32.EXE";

} // namespace

const std::vector<std::string> kSystemInfoPrograms{"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"};

bool GetKeyValue(RegistryApi& registry, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal)
{
    RegistryApi::Key key = 0;
    bool result = false;
    if (registry.openKey(KeyRoot, KeyName, kKeyRead, key) != kSuccess) {
        KeyVal.clear();
        return false;   // nothing was opened, so there is nothing to close
    }
    char buffer[kRegistryBufferBytes] = {};
    std::uint32_t length = kRegistryBufferBytes;
    std::uint32_t type = 0;
    if (registry.queryValue(key, SubKeyRef, type, buffer, length) != kSuccess) {
        KeyVal.clear();
    } else {
        const std::size_t used = std::min<std::size_t>(length, kRegistryBufferBytes);
        const std::string text(buffer, strnlen(buffer, used));
        if (type == kRegSz) {
            KeyVal = text;
        } else if (type == kRegDword) {
            std::uint32_t value = 0;
            std::memcpy(&value, buffer, sizeof value);
            char digits[12];
            std::snprintf(digits, sizeof digits, "%X", value);
            KeyVal = std::string("&h") + digits;
        }
        result = true;
    }
    registry.closeKey(key);
    return result;
}

void StartSysInfo(SystemInfoHost& host)
{
    std::string path;
    if (RegistryApi* registry = host.registry()) {
        if (!GetKeyValue(*registry, kHKeyLocalMachine, kMsinfoKey, "PATH", path)) {
            if (GetKeyValue(*registry, kHKeyLocalMachine, kMsinfoLocationKey, "MSINFO", path) &&
                host.fileExists(path + kMsinfoProgram))
                path += kMsinfoProgram;
            else
                path.clear();
        }
    } else {
        for (const std::string& name : kSystemInfoPrograms) {
            if (std::optional<std::string> found = host.findProgram(name)) {
                path = *found;
                break;
            }
        }
    }
    if (path.empty() || !host.startProgram(path))
        host.showUnavailable();
}

} // namespace zorvane::ui

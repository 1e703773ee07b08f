// Finding and starting the operating system's system-information program
// for the About box: through the registry where there is one, otherwise a
// program of that kind on the PATH.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/registry.h"

namespace zorvane::ui {

using RegistryApi = os::RegistryApi;

constexpr std::uint32_t kHKeyLocalMachine = 0x80000002;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
// Reading is all the About box does. (The write rights of KEY_ALL_ACCESS,
// 0x2003F, are refused to ordinary users under HKEY_LOCAL_MACHINE.)
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kRegistryBufferBytes = 1024;

// Reads a value's text into KeyVal: REG_SZ as it is, REG_DWORD as "&h" and
// hex digits, any other type leaves KeyVal unchanged. True when the value
// was read; false with KeyVal emptied when not.
bool GetKeyValue(RegistryApi& registry, std::uint32_t KeyRoot, const std::string& KeyName,
                         const std::string& SubKeyRef, std::string& KeyVal);

// What StartSysInfo needs of the system.
class SystemInfoHost {
public:
    virtual ~SystemInfoHost() = default;
    virtual RegistryApi* registry() = 0;   // nullptr where there is no registry
    virtual bool fileExists(const std::string& path) = 0;
    // The full path of a program found on the PATH, if any.
    virtual std::optional<std::string> findProgram(const std::string& name) = 0;
    // Starts a program without waiting for it; false when it could not start.
    virtual bool startProgram(const std::string& path) = 0;
    virtual void showUnavailable() = 0;
};

// System-information programs looked for on the PATH where there is no registry.
extern const std::vector<std::string> kSystemInfoPrograms;

void StartSysInfo(SystemInfoHost& host);

} // namespace zorvane::ui

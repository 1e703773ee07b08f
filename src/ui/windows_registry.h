// The registry through advapi32 (Windows only).
#pragma once

#include "ui/system_info.h"

namespace zorvane::ui {

class WindowsRegistry final : public RegistryApi {
public:
    long openKey(std::uint32_t root, const std::string& subKey, std::uint32_t access, Key& opened) override;
    long queryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                         std::uint32_t& length) override;
    long closeKey(Key key) override;
};

} // namespace zorvane::ui

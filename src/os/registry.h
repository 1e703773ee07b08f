// The registry, where the system has one (Windows): the three calls the
// About box needs (RegOpenKeyExA, RegQueryValueExA, RegCloseKey), by their
// contract: 0 is success, anything else an error code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zorvane::os {

class RegistryApi {
public:
    using Key = std::uintptr_t;
    virtual ~RegistryApi() = default;
    virtual long openKey(std::uint32_t root, const std::string& subKey, std::uint32_t access, Key& opened) = 0;
    // Reads a value into buffer (at most length bytes); sets type and length.
    virtual long queryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                            std::uint32_t& length) = 0;
    virtual long closeKey(Key key) = 0;
};

// The system's registry; none where there is none.
std::unique_ptr<RegistryApi> SystemRegistry();

} // namespace zorvane::os

#include "os/registry.h"

#include <windows.h>

namespace zorvane::os {

namespace {

class WindowsRegistry final : public RegistryApi {
public:
    long openKey(std::uint32_t root, const std::string& subKey, std::uint32_t access, Key& opened) override;
    long queryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                    std::uint32_t& length) override;
    long closeKey(Key key) override;
};

} // namespace

std::unique_ptr<RegistryApi> SystemRegistry()
{
    return std::make_unique<WindowsRegistry>();
}

long WindowsRegistry::openKey(std::uint32_t root, const std::string& subKey, std::uint32_t access, Key& opened)
{
    HKEY key = nullptr;
    const LONG status = ::RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), subKey.c_str(), 0,
                                        static_cast<REGSAM>(access), &key);
    opened = reinterpret_cast<Key>(key);
    return status;
}

long WindowsRegistry::queryValue(Key key, const std::string& valueName, std::uint32_t& type, char* buffer,
                                 std::uint32_t& length)
{
    DWORD valueType = 0;
    DWORD size = length;
    const LONG status = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.c_str(), nullptr, &valueType,
                                           reinterpret_cast<LPBYTE>(buffer), &size);
    type = valueType;
    length = size;
    return status;
}

long WindowsRegistry::closeKey(Key key)
{
    return ::RegCloseKey(reinterpret_cast<HKEY>(key));
}

} // namespace zorvane::os

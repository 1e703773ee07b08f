#include "os/account.h"

#include <windows.h>

namespace zorvane::os {

std::string AccountName()
{
    char name[257];
    DWORD size = sizeof name;
    if (!::GetUserNameA(name, &size) || size == 0)
        return {};
    return std::string(name, size - 1);   // size counts the closing NUL
}

std::string HostName()
{
    char name[256];
    DWORD size = sizeof name;
    if (!::GetComputerNameExA(ComputerNameDnsHostname, name, &size))
        return {};
    return std::string(name, size);   // here size leaves out the closing NUL
}

} // namespace zorvane::os

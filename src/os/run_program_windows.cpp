#include "os/run_program.h"

#include <process.h>

namespace zorvane::os {

int RunQuietly(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv;
    argv.push_back(program.c_str());
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const intptr_t status = ::_spawnvp(_P_WAIT, program.c_str(), argv.data());
    return status < 0 ? -1 : static_cast<int>(status);
}

} // namespace zorvane::os

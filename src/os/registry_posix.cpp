#include "os/registry.h"

namespace zorvane::os {

std::unique_ptr<RegistryApi> SystemRegistry()
{
    return nullptr;   // the About box looks for a system-information program on the PATH instead
}

} // namespace zorvane::os

#include "engine/run_types.h"

namespace zorvane {

std::string OpenErrorText(const OpenError& error)
{
    return error.description + " (" + error.source + " error " + std::to_string(error.number) + ")";
}

} // namespace zorvane

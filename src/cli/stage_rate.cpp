#include "cli/stage_rate.h"

namespace zorvane::cli {

double StageRate::bytesPerSecond(std::size_t bytes, time_point now) const
{
    const double seconds = std::chrono::duration<double>(now - start_).count();
    return seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
}

} // namespace zorvane::cli

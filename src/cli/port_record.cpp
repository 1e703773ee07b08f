#include "cli/port_record.h"

namespace zorvane::cli {

PortRecord::PortRecord(std::string device, std::optional<std::string> path, RecordOrigin origin)
    : device_(std::move(device)),
      opened_(origin.device.path.empty() ? device_ : origin.device.path),
      unit_(origin.unit),
      file_(std::move(path), std::move(origin))
{
}

void PortRecord::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    file_.outcomeDecided(request, report);
}

} // namespace zorvane::cli

#include "cli/port_record.h"

namespace zorvane::cli {

PortRecord::PortRecord(std::string device, std::optional<std::string> path, RecordOrigin origin,
                       std::vector<DatabasePlace> owedTo)
    : opened_(origin.device.path.empty() ? std::move(device) : origin.device.path),
      unit_(origin.unit),
      file_(std::move(path), std::move(origin), std::move(owedTo))
{
}

void PortRecord::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    file_.outcomeDecided(request, report);
}

} // namespace zorvane::cli

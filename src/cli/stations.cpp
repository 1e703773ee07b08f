#include "cli/stations.h"

#include "cli/shift.h"

namespace zorvane::cli {

std::string ShiftsFileFor(const std::string& recordsPath)
{
    const std::string suffix = ".jsonl";
    const bool jsonl = recordsPath.size() > suffix.size() &&
                       recordsPath.compare(recordsPath.size() - suffix.size(), suffix.size(), suffix) == 0;
    return (jsonl ? recordsPath.substr(0, recordsPath.size() - suffix.size()) : recordsPath) + ".shifts.jsonl";
}

int FlashStations(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
                  os::SignalWait& signalWait, const std::function<void()>& recordKept)
{
    Shift shift(options, settings, input, signalWait, recordKept);
    return shift.run();
}

} // namespace zorvane::cli

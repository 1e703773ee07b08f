#include "cli/stations.h"

#include "cli/shift.h"
#include "records/spool_archive.h"

namespace zorvane::cli {

std::string ShiftsFileFor(const std::string& recordsPath)
{
    return RecordsStem(recordsPath) + ".shifts.jsonl";
}

int FlashStations(const CliOptions& options, const prepare::Settings& settings, const prepare::CheckedInput& input,
                  const std::vector<DatabasePlace>& owedTo, os::SignalWait& signalWait,
                  const std::function<void()>& recordKept)
{
    Shift shift(options, settings, input, owedTo, signalWait, recordKept);
    return shift.run();
}

} // namespace zorvane::cli

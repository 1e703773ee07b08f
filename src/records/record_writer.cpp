#include "records/record_writer.h"

namespace zorvane {

void FileRecorder::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    error_ = AppendFlashRecord(path_, FlashRecordJson(request, report, origin_, std::chrono::system_clock::now()));
}

} // namespace zorvane

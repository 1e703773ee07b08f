#include "records/record_writer.h"

#include <exception>

#include "records/record_id.h"

namespace zorvane {

void FileRecorder::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    // Whatever goes wrong keeping the record is said, never lost with it.
    try {
        line_ = FlashRecordJson(NewRecordId(), request, report, origin_, std::chrono::system_clock::now());
        if (path_)
            error_ = AppendFlashRecord(*path_, line_);
    } catch (const std::exception& e) {
        error_ = std::string("cannot write ") + path_.value_or("the flash record") + ": " + e.what();
    }
}

} // namespace zorvane

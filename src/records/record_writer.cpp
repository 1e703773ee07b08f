#include "records/record_writer.h"

#include <exception>

#include "records/json_line.h"
#include "records/record_id.h"

namespace zorvane {

void FileRecorder::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    // Whatever goes wrong keeping the record is said, never lost with it.
    try {
        nlohmann::ordered_json record =
            FlashRecord(NewRecordId(), request, report, origin_, std::chrono::system_clock::now());
        const std::string line = JsonLine(record);
        record_ = std::move(record);
        if (path_)
            error_ = AppendFlashRecord(*path_, line);
    } catch (const std::exception& e) {
        error_ = std::string("cannot write ") + path_.value_or("the flash record") + ": " + e.what();
    }
}

} // namespace zorvane

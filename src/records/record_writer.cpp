#include "records/record_writer.h"

#include <exception>
#include <filesystem>

#include "records/json_line.h"
#include "records/record_id.h"

namespace zorvane {

void FileRecorder::outcomeDecided(const RunRequest& request, const RunReport& report)
{
    // Whatever goes wrong keeping the record is said, never lost with it.
    try {
        const std::string id = NewRecordId();
        nlohmann::ordered_json record = FlashRecord(id, request, report, origin_, std::chrono::system_clock::now());
        const std::string line = JsonLine(record);
        record_ = std::move(record);
        if (!path_)
            return;
        // Owed before it is written: a crash in between leaves an id without
        // a record, which nothing sends. The records folder may be new.
        if (std::error_code ec; !owedTo_.empty() && std::filesystem::path(*path_).has_parent_path())
            std::filesystem::create_directories(std::filesystem::path(*path_).parent_path(), ec);
        for (const DatabasePlace& place : owedTo_)
            if (std::optional<std::string> error = MarkOwed(*path_, place, OwedMark::Due, {id}); error && !error_)
                error_ = error;
        if (std::optional<std::string> error = AppendFlashRecord(*path_, line))
            error_ = error;
    } catch (const std::exception& e) {
        error_ = std::string("cannot write ") + path_.value_or("the flash record") + ": " + e.what();
    }
}

} // namespace zorvane

#include "records/unit_history.h"

#include <fstream>
#include <map>

#include "records/record_line.h"

namespace zorvane {

std::set<std::string> UnitsLastSucceeded(const std::string& recordsPath)
{
    std::map<std::string, bool> latest;
    std::ifstream in(recordsPath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::optional<RecordFields> record = RecordFieldsOf(line);
        if (!record || !record->unit || !record->outcome)
            continue;
        latest[*record->unit] = record->stage == "success";
    }
    std::set<std::string> succeeded;
    for (const auto& [unit, success] : latest)
        if (success)
            succeeded.insert(unit);
    return succeeded;
}

} // namespace zorvane

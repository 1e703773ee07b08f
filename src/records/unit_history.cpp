#include "records/unit_history.h"

#include <fstream>
#include <map>

#include <nlohmann/json.hpp>

namespace zorvane {

std::set<std::string> UnitsLastSucceeded(const std::string& recordsPath)
{
    std::map<std::string, bool> latest;
    std::ifstream in(recordsPath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        if (!record.is_object() || !record.contains("unit") || !record["unit"].is_string() ||
            !record.contains("outcome") || !record["outcome"].is_object())
            continue;
        const nlohmann::json& stage = record["outcome"].value("stage", nlohmann::json());
        latest[record["unit"].get<std::string>()] = stage.is_string() && stage.get<std::string>() == "success";
    }
    std::set<std::string> succeeded;
    for (const auto& [unit, success] : latest)
        if (success)
            succeeded.insert(unit);
    return succeeded;
}

} // namespace zorvane

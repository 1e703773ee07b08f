// The records database's schema, as the numbered files of resources/sql
// built into the program.
#pragma once

#include <string_view>
#include <vector>

namespace zorvane {

struct Migration {
    int version;             // the file's number
    std::string_view name;   // the file's name
    std::string_view sql;
};

// In order of their numbers; the last one's is the schema this program writes.
const std::vector<Migration>& Migrations();

int ProgramSchemaVersion();

} // namespace zorvane

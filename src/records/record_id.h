// Every flash record's identity: a random UUID given when it is written, so
// that a database that receives it twice keeps it once.
#pragma once

#include <string>
#include <string_view>

namespace zorvane {

// A random (version 4) UUID in its usual text form, lower case.
std::string NewRecordId();

// A record written before records had ids gets one from its line's SHA-256
// (a version 8 UUID): the same line always gets the same id, so sending it
// again is harmless too.
std::string IdFromLine(std::string_view line);

// 8-4-4-4-12 hex digits, as a database's uuid type reads them: what a
// record's id must be.
bool IsUuidText(std::string_view text);

} // namespace zorvane

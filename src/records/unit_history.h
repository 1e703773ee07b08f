// What the records file says of each unit, read once when a bench starts:
// a radio whose latest record is a success was flashed already, and
// flashing it again is asked to be meant.
#pragma once

#include <set>
#include <string>

namespace zorvane {

// The units whose latest record in the file (the last line that names
// them) is a success. A missing file names none; a line that is not a
// record is passed over.
std::set<std::string> UnitsLastSucceeded(const std::string& recordsPath);

} // namespace zorvane

// A quick reading of a records file's line, for the lines this program
// writes: a bench's start reads every record of the live file, and a full
// JSON parser takes seconds over a busy month. What the quick reading is
// not sure of (a \u escape, a number it would have to round) goes to the
// full parser, so that both take and refuse the same lines.
#pragma once

#include <string>
#include <string_view>

#include "records/record_line.h"

namespace zorvane {

enum class LineScan {
    Record,      // one whole JSON object: fields holds what it names
    NotRecord,   // not one whole JSON object (or nested deeper than any record)
    Unsure,      // read it with the full parser
};

// fields.id is the "id" member when it is a record's id; idPresent tells
// whether the line has an "id" member at all.
LineScan ScanRecordLine(std::string_view line, int deepest, RecordFields& fields, bool& idPresent);

} // namespace zorvane

// The flash record: one JSON line per run that says which radio, on which
// port, got which images and how the run ended. Benches keep them to trace
// every radio they programmed.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "engine/run_types.h"

namespace zorvane {

// Where and by whom a run was made; the front end knows these.
struct RecordOrigin {
    std::string host;
    std::string user;
    std::string version;   // the program's version
    std::string device;    // the serial device the port number meant
};

// The record as one line of JSON (no line feed). time is when the run ended.
std::string FlashRecordJson(const RunRequest& request, const RunReport& report, const RecordOrigin& origin,
                            std::chrono::system_clock::time_point time);

// Appends the line and a line feed to the file in one write on a file opened
// for appending, so that records of parallel runs never interleave. Makes the
// file's folder when it is missing. Returns what went wrong, if anything.
std::optional<std::string> AppendFlashRecord(const std::string& path, const std::string& line);

// $XDG_DATA_HOME/zorvane/flash-records.jsonl, with XDG_DATA_HOME defaulting
// to ~/.local/share (%APPDATA% on Windows).
std::string DefaultFlashRecordPath();

// Who runs the program, as the environment names them (USER, LOGNAME, USERNAME).
std::string RecordUser();

// A run outcome as the record names it: "success", "boot", "flash", ...
const char* OutcomeName(RunOutcome outcome);

} // namespace zorvane

// The flash record: one JSON line per run that says which radio, on which
// port, got which images and how the run ended. Benches keep them to trace
// every radio they programmed; docs/flash-records.md describes the fields.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/run_types.h"
#include "link/device_identity.h"

namespace zorvane {

// The version of the record's layout; a reader checks it before the fields.
// Schema 2 added each record's id; schema 3 the outcome's fault, and the
// station, shift, operator and work order of a line's bench (null when unused).
constexpr int kFlashRecordSchema = 3;

// Where and by whom a run was made; the front end knows these.
struct RecordOrigin {
    std::string host;
    std::string user;
    std::string version;   // the program's version
    std::string port;      // as the operator named it: 1, 2 or a device path
    link::DeviceIdentity device;
    std::optional<std::string> unit;   // the radio's label, when the operator gave one
    // A shift's station (the port as given) and the shift with the run's
    // number in it; none outside a shift. A shift's run is timed from the
    // scan that started it: its station armed long before.
    std::optional<std::string> station{};
    std::optional<std::string> shift{};
    // The work order the run belongs to and who works the bench, as given.
    std::optional<std::string> workOrder{};
    std::optional<std::string> operatorName{};
};

// The record, its fields in the order they are written (JsonLine makes the
// line). id is the record's own (a UUID); time is when the outcome was decided.
nlohmann::ordered_json FlashRecord(const std::string& id, const RunRequest& request, const RunReport& report,
                                   const RecordOrigin& origin, std::chrono::system_clock::time_point time);

// Appends the line and a line feed to the file in one write, synced to disk
// before it returns, so that records of parallel runs never interleave and a
// record the operator saw the ending of is never lost. Makes the file's
// folder when it is missing. Returns what went wrong, if anything.
std::optional<std::string> AppendFlashRecord(const std::string& path, const std::string& line);

// $XDG_DATA_HOME/zorvane/flash-records.jsonl, with XDG_DATA_HOME defaulting
// to ~/.local/share (%APPDATA% on Windows).
std::string DefaultFlashRecordPath();

// Who runs the program: USER, LOGNAME or USERNAME, else the account's name.
std::string RecordUser();

// A run outcome as the record names it: "success", "boot", "flash", ...
const char* OutcomeName(RunOutcome outcome);

} // namespace zorvane

// The runs a report counts, read from the records file and its monthly
// archives, and the stations' times from the shifts file.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zorvane::report {

// One flash record as the report sees it. Text fields a record leaves out
// or sets to null are empty.
struct ReportRun {
    std::chrono::sys_seconds time;
    std::string host;
    std::string unit;        // empty: a radio without a label, a unit of its own
    std::string port;
    std::string station;
    std::string stage;       // outcome.stage
    std::string faultKind;   // outcome.fault.kind
    std::string firmware;    // images.firmware.data_sha256
    std::string signer;      // manifest.signed_by
    std::optional<double> durationS;

    bool succeeded() const { return stage == "success"; }
};

// The report's period: [since, until), either end open.
struct Period {
    std::optional<std::chrono::sys_seconds> since;
    std::optional<std::chrono::sys_seconds> until;
    bool holds(std::chrono::sys_seconds time) const
    {
        return (!since || time >= *since) && (!until || time < *until);
    }
};

// The record's run; none when it has no readable time or outcome stage.
std::optional<ReportRun> RunOf(const nlohmann::json& record);

struct RunsRead {
    std::vector<ReportRun> runs;            // in the period, oldest first
    std::vector<std::string> files;         // the files read: archives, then the live file
    std::size_t unreadable = 0;             // lines that are no record a report can count
    std::optional<std::string> error;       // a file that exists and could not be read
};

// The records of the period from the live file and from each monthly
// archive beside it (FILE.YYYY-MM.jsonl) whose month meets the period.
RunsRead ReadRuns(const std::string& recordsPath, const Period& period);

// One station's means in one shift, from the shifts file.
struct StationTimes {
    std::optional<double> meanRunS;
    std::optional<double> meanCycleS;
};
struct ShiftTimesRead {
    std::vector<StationTimes> stations;     // of the shifts that started in the period
    std::size_t unreadable = 0;
    std::optional<std::string> error;
};
// A missing shifts file holds no shifts.
ShiftTimesRead ReadShiftTimes(const std::string& shiftsPath, const Period& period);

} // namespace zorvane::report

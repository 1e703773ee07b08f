// Keeps one run's flash record in a file the moment the run's outcome is
// decided, on the run's own thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/run_recorder.h"
#include "records/flash_record.h"
#include "records/spool.h"

namespace zorvane {

class FileRecorder final : public RunRecorder {
public:
    // path: where the record goes; none: it is built, not kept. owedTo: the
    // records databases configured as it is written, which it goes to.
    FileRecorder(std::optional<std::string> path, RecordOrigin origin, std::vector<DatabasePlace> owedTo = {})
        : path_(std::move(path)), origin_(std::move(origin)), owedTo_(std::move(owedTo))
    {
    }

    void outcomeDecided(const RunRequest& request, const RunReport& report) override;

    // Once the run has ended: what went wrong keeping the record, if anything.
    const std::optional<std::string>& error() const { return error_; }
    // The record as written (or as it would have been); null until the
    // outcome is decided.
    const nlohmann::ordered_json& record() const { return record_; }

private:
    std::optional<std::string> path_;
    RecordOrigin origin_;
    std::vector<DatabasePlace> owedTo_;
    nlohmann::ordered_json record_;
    std::optional<std::string> error_;
};

} // namespace zorvane

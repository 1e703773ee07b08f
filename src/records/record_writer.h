// Keeps one run's flash record in a file the moment the run's outcome is
// decided, on the run's own thread.
#pragma once

#include <optional>
#include <string>

#include "engine/run_recorder.h"
#include "records/flash_record.h"

namespace zorvane {

class FileRecorder final : public RunRecorder {
public:
    // path: where the record goes; none: it is built, not kept.
    FileRecorder(std::optional<std::string> path, RecordOrigin origin)
        : path_(std::move(path)), origin_(std::move(origin))
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
    nlohmann::ordered_json record_;
    std::optional<std::string> error_;
};

} // namespace zorvane

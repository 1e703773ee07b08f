// One port's flash record: kept the moment its run's outcome is decided.
// A port that did not open is already put in the diagnosis's words by the
// run (RunRequest::describeOpenFailure), for the record and the operator alike.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/run_recorder.h"
#include "records/record_writer.h"

namespace zorvane::cli {

class PortRecord final : public RunRecorder {
public:
    // path: where the record goes; none with --no-record.
    // owedTo: the records databases it goes to.
    PortRecord(std::string device, std::optional<std::string> path, RecordOrigin origin,
               std::vector<DatabasePlace> owedTo = {});

    void outcomeDecided(const RunRequest& request, const RunReport& report) override;

    // What went wrong keeping the record, if anything.
    const std::optional<std::string>& error() const { return file_.error(); }
    // The record as written (also with --no-record, for the event stream).
    const nlohmann::ordered_json& record() const { return file_.record(); }
    // The device opened, links resolved.
    const std::string& device() const { return opened_; }
    const std::optional<std::string>& unit() const { return unit_; }

private:
    std::string opened_;
    std::optional<std::string> unit_;
    FileRecorder file_;
};

} // namespace zorvane::cli

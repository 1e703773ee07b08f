#include "cli/radio_modes.h"

#include <cstdio>
#include <memory>

#include "cli/exit_codes.h"
#include "records/fault_json.h"
#include "cli/summary.h"
#include "records/fault_json.h"
#include "records/flash_record.h"

namespace zorvane::cli {

int FlashForController(const CliOptions& options, std::vector<PortRun>& runs, link::Clock& clock,
                       os::SignalWait& signalWait, JsonEvents& events, std::vector<RunReport>& reports)
{
    std::vector<std::unique_ptr<JsonHost>> hosts;
    for (PortRun& run : runs) {
        hosts.push_back(std::make_unique<JsonHost>(run.port, *run.record, events, options));
        run.host = hosts.back().get();
    }
    reports = RunAll(runs, clock, signalWait, nullptr, {},
                          [&](std::size_t i) { hosts[i]->runEnded(); });
    const std::vector<PortResult> results = ResultsOf(runs, reports);
    PrintSummary(stderr, results);
    return ExitCodeForAll(results);
}

void EmitSummary(JsonEvents& events, const std::vector<PortRun>& runs,
                 const std::vector<RunReport>& reports, int exitCode)
{
    using Json = nlohmann::ordered_json;
    Json results = Json::array();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const RunReport& report = reports[i];
        const std::optional<std::string>& unit = runs[i].record->unit();
        results.push_back(Json::object({{"port", runs[i].port},
                                        {"unit", unit ? Json(*unit) : Json()},
                                        {"outcome", OutcomeName(report.outcome)},
                                        {"exit_status", ExitCodeFor(report.outcome, report.fault)},
                                        {"fault", FaultJson(report.fault)}}));
    }
    events.publish("summary", Json::object({{"results", results}, {"exit_status", exitCode}}));
}

std::vector<PortResult> ResultsOf(const std::vector<PortRun>& runs, const std::vector<RunReport>& reports)
{
    std::vector<PortResult> results;
    for (std::size_t i = 0; i < runs.size(); ++i)
        results.push_back({runs[i].port, reports[i], runs[i].record->unit()});
    return results;
}

} // namespace zorvane::cli

// zorvane-flash: flash runs from the command line, for production benches.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/exit_codes.h"
#include "cli/flash_command.h"
#include "cli/information_commands.h"
#include "cli/records_commands.h"
#include "cli/report_command.h"
#include "cli/refusal_text.h"
#include "cli/terminal_input.h"
#include "files/shown_text.h"
#include "os/process_signals.h"
#include "prepare/records_choice.h"
#include "prepare/run_preparation.h"
#include "prepare/unit_labels.h"
#include "qtlink/settings_store.h"

using namespace zorvane;

namespace {

// Everything the command line alone can refuse, before any other output.
std::optional<std::string> refusedArguments(const cli::CliOptions& options, const prepare::Settings& settings)
{
    if (options.askUnit && !cli::InputIsTerminal())
        return "--ask-unit needs a terminal to read the labels from";
    // A typo in a named folder would move the bench's records elsewhere: only
    // the default place is made when it is missing.
    if (!options.recordFile.empty()) {
        const std::filesystem::path folder = std::filesystem::path(options.recordFile).parent_path();
        std::error_code error;
        if (!folder.empty() && !std::filesystem::is_directory(folder, error))
            return "--record: there is no folder " + files::ShownText(folder.string());
    }
    const auto pattern = prepare::UnitPatternFor(options.unitPattern, settings);
    if (const std::string* refused = std::get_if<std::string>(&pattern))
        return *refused;
    for (const std::string& unit : options.units)
        if (std::optional<std::string> refused =
                prepare::RefusedByPattern(unit, std::get<std::optional<prepare::UnitPattern>>(pattern)))
            return "--unit: " + *refused;
    std::vector<std::string> devices;
    for (const std::string& port : options.ports)
        devices.push_back(cli::DeviceFor(port, settings));
    if (std::optional<prepare::Refusal> refused = prepare::RefusedPorts(options.ports, devices))
        return refused->text;
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    const auto started = std::chrono::steady_clock::now();   // the events' time counts from here
    // A line controller or a terminal that goes away makes writes to it
    // fail, and nothing here looks at their result: the radios are finished
    // and their records kept whoever still reads.
    os::SetUpProcessSignals();
    cli::CliOptions options;
    if (auto error = cli::ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), options))
        return cli::UsageError(*error);
    const prepare::Settings settings = link::ReadSettings();
    if (const std::optional<int> told = cli::InformationAsked(options, settings))
        return *told;
    if (options.reportCommand())
        return cli::ReportCommand(options);   // reads the records, keeps none: nothing is archived
    const bool recordsKept = !options.noRecord && !options.check;
    const prepare::DatabaseChoice database = prepare::DatabaseFor(options.database, recordsKept, settings);
    if (database.refused)
        return cli::UsageError(database.refusalText());
    if (recordsKept)
        cli::ArchiveOldRecords(*prepare::RecordFileFor(options.recordFile, false));
    if (options.recordsCommand())
        return cli::RecordsCommand(options, settings, database.url);
    if (!options.check)
        if (std::optional<std::string> refused = refusedArguments(options, settings))
            return cli::UsageError(*refused);
    std::FILE* trace = nullptr;
    if (!options.traceFile.empty() && (trace = std::fopen(options.traceFile.c_str(), "w")) == nullptr)
        return cli::UsageError("cannot write the trace " + options.traceFile);
    return cli::FlashCommand(options, settings, database.url, trace, started);
}

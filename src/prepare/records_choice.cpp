#include "prepare/records_choice.h"

#include "records/flash_record.h"
#include "records/records_database.h"

namespace zorvane::prepare {

namespace {

// A refused URL is no choice: only its refusal remains.
DatabaseChoice chosen(const std::string& url, std::string source)
{
    std::optional<std::string> refused = RefusedDatabaseUrl(url);
    return {refused ? std::string() : url, std::move(refused), std::move(source)};
}

} // namespace

std::optional<std::string> RecordFileFor(const std::string& asked, bool keepNoRecord)
{
    if (keepNoRecord)
        return std::nullopt;
    return asked.empty() ? DefaultFlashRecordPath() : asked;
}

DatabaseChoice DatabaseFor(const std::string& asked, bool recordsKept, const Settings& settings)
{
    if (!asked.empty())
        return chosen(asked, "--database");
    // Without records there is nothing to send.
    if (!recordsKept || settings.database.empty())
        return {};
    return chosen(settings.database, "Database in [Records] of " + settings.file);
}

std::vector<DatabasePlace> OwedPlaces(const DatabaseChoice& choice)
{
    if (choice.url.empty())
        return {};
    return {PlaceOf(choice.url)};
}

} // namespace zorvane::prepare

#include "records/record_line.h"

#include <cctype>

#include "records/record_id.h"

namespace zorvane {

namespace {

// Deeper than any record goes: such a line is damage, and a database's
// parser may refuse it as if for a passing reason, holding up every record
// after it.
constexpr int kDeepest = 32;

// 8-4-4-4-12 hex digits, as a database's uuid type reads them.
bool isUuidText(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (text[i] == '-') || (!dash && !std::isxdigit(static_cast<unsigned char>(text[i]))))
            return false;
    }
    return true;
}

} // namespace

std::optional<nlohmann::json> RecordObject(std::string_view line)
{
    bool tooDeep = false;
    const auto depthCheck = [&tooDeep](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        tooDeep = tooDeep || depth > kDeepest;
        return !tooDeep;
    };
    // Without exceptions: a damaged line is an everyday thing in a file that
    // a crash or a full disk can cut short.
    nlohmann::json object = nlohmann::json::parse(line, depthCheck, false);
    if (tooDeep || object.is_discarded() || !object.is_object())
        return std::nullopt;
    return object;
}

namespace {

std::optional<std::string> idOf(const nlohmann::json& record, std::string_view line)
{
    const auto id = record.find("id");
    if (id == record.end())
        return IdFromLine(line);
    if (!id->is_string() || !isUuidText(id->get_ref<const std::string&>()))
        return std::nullopt;
    return id->get<std::string>();
}

} // namespace

std::optional<std::string> RecordIdOf(std::string_view line)
{
    const std::optional<nlohmann::json> record = RecordObject(line);
    if (!record)
        return std::nullopt;
    return idOf(*record, line);
}

std::optional<RecordKey> RecordKeyOf(std::string_view line)
{
    const std::optional<nlohmann::json> record = RecordObject(line);
    if (!record)
        return std::nullopt;
    std::optional<std::string> id = idOf(*record, line);
    if (!id)
        return std::nullopt;
    const auto time = record->find("time");
    return RecordKey{std::move(*id), time != record->end() && time->is_string() ? time->get<std::string>() : ""};
}

} // namespace zorvane

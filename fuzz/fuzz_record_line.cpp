// A records file's line, read quickly and read whole: both take and refuse
// the same lines and find the same fields, whatever the bytes.
#include <cstdlib>
#include <string_view>

#include "records/record_id.h"
#include "records/record_line.h"

using namespace zorvane;

namespace {

std::optional<std::string> textOf(const nlohmann::json& object, const char* name)
{
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? std::optional(found->get<std::string>()) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::optional<RecordFields> read = RecordFieldsOf(line);
    const std::optional<nlohmann::json> whole = RecordObject(line);
    if (read.has_value() != whole.has_value())
        std::abort();
    if (!whole)
        return 0;
    const std::optional<std::string> id = textOf(*whole, "id");
    const auto outcome = whole->find("outcome");
    const bool outcomeObject = outcome != whole->end() && outcome->is_object();
    const bool same =
        read->id == (!whole->contains("id") ? std::optional(IdFromLine(line)) : id && IsUuidText(*id) ? id : std::nullopt) &&
        read->time == textOf(*whole, "time").value_or("") && read->unit == textOf(*whole, "unit") &&
        read->outcome == outcomeObject && read->stage == (outcomeObject ? textOf(*outcome, "stage") : std::nullopt);
    if (!same)
        std::abort();
    return 0;
}

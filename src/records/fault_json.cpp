#include "records/fault_json.h"

namespace zorvane {

nlohmann::ordered_json FaultJson(const std::optional<RunFault>& fault)
{
    if (!fault)
        return nullptr;
    const FaultFields fields = FaultFieldsOf(*fault);
    nlohmann::ordered_json json = nlohmann::ordered_json::object({{"kind", fields.kind}});
    for (const FaultFact& fact : fields.facts)
        std::visit([&](const auto& value) { json[fact.name] = value; }, fact.value);
    return json;
}

} // namespace zorvane

// A run's fault as records and the event stream carry it: an object with
// its kind and facts, so that a line controller decides by kind.
#pragma once

#include <optional>

#include <nlohmann/json.hpp>

#include "engine/run_fault.h"

namespace zorvane {

// {"kind": "block-sum", "address": "8100", ...}; null without a fault, as
// for a run that succeeded (only a failure or a stop settles one).
nlohmann::ordered_json FaultJson(const std::optional<RunFault>& fault);

} // namespace zorvane
